# Widget tests of the item catalogue window; included by the CMakeLists.txt of tests/orders (or of tests/storage while that one is missing).
ordavo_add_test(tst_item_catalogue
  SOURCES ${CMAKE_CURRENT_LIST_DIR}/tst_item_catalogue.cpp
  LIBS ordavo_windows ordavo_window_test_support)
