# Tests of the payload decoder, the Recordset and the payload writer; included by this folder's CMakeLists.txt.
foreach(test tst_payload_decoder tst_payload_recordset tst_payload_writer)
  if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${test}.cpp)
    ordavo_add_test(${test} SOURCES ${test}.cpp LIBS ordavo_data)
  endif()
endforeach()

# The slow reference decoder, shared by the differential test and the fuzzer.
ordavo_add_test(tst_payload_differential SOURCES tst_payload_differential.cpp tst_payload_oracle.cpp LIBS ordavo_data)
