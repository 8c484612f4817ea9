# Compile rules every target of the project shares, and the helper that registers a QtTest executable.
add_library(ordavo_common INTERFACE)
target_compile_features(ordavo_common INTERFACE cxx_std_20)
target_compile_options(ordavo_common INTERFACE -Wall -Wextra -Wpedantic -Wno-missing-field-initializers)
target_compile_definitions(ordavo_common INTERFACE
  QT_NO_CAST_FROM_ASCII
  QT_NO_CAST_TO_ASCII
  QT_USE_QSTRINGBUILDER
  QT_DISABLE_DEPRECATED_BEFORE=0x060400
  ORDAVO_VERSION_STRING="${PROJECT_VERSION}"
  ORDAVO_VERSION_MAJOR=${PROJECT_VERSION_MAJOR}
  ORDAVO_VERSION_MINOR=${PROJECT_VERSION_MINOR}
  ORDAVO_VERSION_PATCH=${PROJECT_VERSION_PATCH}
  ORDAVO_VERSION_TWEAK=${PROJECT_VERSION_TWEAK}
  ORDAVO_DEFAULT_DIRECTORY_URL="${ORDAVO_DEFAULT_DIRECTORY_URL}"
  ORDAVO_DEFAULT_SUPPORT_EMAIL="${ORDAVO_DEFAULT_SUPPORT_EMAIL}"
  ORDAVO_DEFAULT_SHOW_TYRE_STORAGE="${ORDAVO_DEFAULT_SHOW_TYRE_STORAGE}")
# Qt's and the other libraries' headers are included as system headers, so their warnings
# stay silent and this stops only at the project's own.
if(ORDAVO_WARNINGS_AS_ERRORS)
  target_compile_options(ordavo_common INTERFACE -Werror)
endif()

if(ORDAVO_SANITIZE)
  set(ordavo_sanitizers -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
  target_compile_options(ordavo_common INTERFACE ${ordavo_sanitizers})
  target_link_options(ordavo_common INTERFACE ${ordavo_sanitizers})
endif()

# The X server with a real window manager that REAL_WM tests share: started once before the
# first of them, stopped after the last; the tests take turns on it, because focus, stacking
# and key events are global to the display.
function(ordavo_real_wm_fixture)
  get_property(done GLOBAL PROPERTY ORDAVO_REAL_WM_FIXTURE)
  if(done)
    return()
  endif()
  set_property(GLOBAL PROPERTY ORDAVO_REAL_WM_FIXTURE ON)
  set(dir ${CMAKE_BINARY_DIR}/real-wm)
  add_test(NAME real_wm_start COMMAND ${PROJECT_SOURCE_DIR}/scripts/real-wm start ${dir})
  add_test(NAME real_wm_stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/real-wm stop ${dir})
  set_tests_properties(real_wm_start PROPERTIES FIXTURES_SETUP real_wm TIMEOUT 60)
  set_tests_properties(real_wm_stop PROPERTIES FIXTURES_CLEANUP real_wm TIMEOUT 60)
endfunction()

# ordavo_test_environment(OUT PLATFORM HOME): in OUT, the environment every test runs in: the Qt
# platform, its own settings and cache folders below HOME, a UTF-8 locale and the build folder.
function(ordavo_test_environment out platform home)
  set(${out} "QT_QPA_PLATFORM=${platform};XDG_CONFIG_HOME=${home}/config;XDG_CACHE_HOME=${home}/cache;LC_ALL=C.UTF-8;ORDAVO_BINARY_DIR=${CMAKE_BINARY_DIR}" PARENT_SCOPE)
endfunction()

# ordavo_add_test(NAME [SOURCES src...] LIBS lib... [REAL_WM] [TIMEOUT s])
# Builds one QtTest executable from NAME.cpp (plus SOURCES) and registers it with CTest, so a
# renamed or missing test file stops the configuration. Tests run on the offscreen platform,
# REAL_WM tests on Xvfb with openbox (xcb platform); every test gets its own empty settings folder.
function(ordavo_add_test name)
  cmake_parse_arguments(T "REAL_WM" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  list(PREPEND T_SOURCES ${name}.cpp)
  list(REMOVE_DUPLICATES T_SOURCES)
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ordavo_common Qt6::Test ${T_LIBS})
  set(platform offscreen)
  if(T_REAL_WM)
    ordavo_real_wm_fixture()
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/real-wm run ${CMAKE_BINARY_DIR}/real-wm $<TARGET_FILE:${name}>)
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED real_wm RESOURCE_LOCK real_wm)
    set(platform xcb)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  ordavo_test_environment(test_environment ${platform} ${CMAKE_CURRENT_BINARY_DIR}/${name}.home)
  if(ORDAVO_SANITIZE)
    # Qt and libcurl keep some allocations until exit by design; leaks are not what this lane checks.
    list(APPEND test_environment "ASAN_OPTIONS=detect_leaks=0" "UBSAN_OPTIONS=print_stacktrace=1")
  endif()
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${test_environment}")
endfunction()

# ordavo_add_tests(LIBS lib... [TIMEOUT s] TESTS name...): ordavo_add_test for each name.
function(ordavo_add_tests)
  cmake_parse_arguments(T "" "TIMEOUT" "LIBS;TESTS" ${ARGN})
  foreach(name ${T_TESTS})
    if(T_TIMEOUT)
      ordavo_add_test(${name} LIBS ${T_LIBS} TIMEOUT ${T_TIMEOUT})
    else()
      ordavo_add_test(${name} LIBS ${T_LIBS})
    endif()
  endforeach()
endfunction()
