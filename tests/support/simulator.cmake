# Adds the simulator fixture (SimulatorProcess) to ordavo_test_support; tests that link it get the simulator built first.
target_sources(ordavo_test_support PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/simulator_process.cpp
  ${CMAKE_CURRENT_LIST_DIR}/simulator_process.h)
if(TARGET ordavo-workshop-sim)
  add_dependencies(ordavo_test_support ordavo-workshop-sim)
endif()
