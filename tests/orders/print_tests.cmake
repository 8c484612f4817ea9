# Tests of the printed order (report filled from the items answer, read back from PDF); included by the CMakeLists.txt of tests/orders (or of tests/report while that one does not include it).
ordavo_add_test(tst_print_order
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_print_order.cpp
  LIBS ordavo_windows ordavo_test_support ordavo_pdf_reading)
