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
if(ORDAVO_SANITIZE_THREAD)
  set(ordavo_thread_sanitizer -fsanitize=thread -fno-omit-frame-pointer)
  target_compile_options(ordavo_common INTERFACE ${ordavo_thread_sanitizer})
  target_link_options(ordavo_common INTERFACE ${ordavo_thread_sanitizer})
endif()

# The X servers with a real window manager that REAL_WM tests share: each started once before
# the first of its tests, stopped after the last; the tests of one server take turns on it,
# because focus, stacking and key events are global to the display. "real_wm" has a 1920 x 1080
# screen, "real_wm_laptop" a laptop's 1366 x 768.
function(ordavo_real_wm_fixture fixture screen)
  get_property(done GLOBAL PROPERTY ORDAVO_FIXTURE_${fixture})
  if(done)
    return()
  endif()
  set_property(GLOBAL PROPERTY ORDAVO_FIXTURE_${fixture} ON)
  set(dir ${CMAKE_BINARY_DIR}/${fixture})
  add_test(NAME ${fixture}_start COMMAND ${PROJECT_SOURCE_DIR}/scripts/real-wm start ${dir} ${screen})
  add_test(NAME ${fixture}_stop COMMAND ${PROJECT_SOURCE_DIR}/scripts/real-wm stop ${dir})
  set_tests_properties(${fixture}_start PROPERTIES FIXTURES_SETUP ${fixture} TIMEOUT 60)
  set_tests_properties(${fixture}_stop PROPERTIES FIXTURES_CLEANUP ${fixture} TIMEOUT 60)
endfunction()

# ordavo_sanitizer_environment(LIST): appends the sanitizers' options to LIST in the sanitizer build.
macro(ordavo_sanitizer_environment list)
  if(ORDAVO_SANITIZE)
    # Qt and libcurl keep some allocations until exit by design; leaks are not what this lane checks.
    list(APPEND ${list} "ASAN_OPTIONS=detect_leaks=0" "UBSAN_OPTIONS=print_stacktrace=1")
  endif()
  if(ORDAVO_SANITIZE_THREAD)
    list(APPEND ${list}
      # The simulator fixture forks and execs; the child starts no threads of its own before exec.
      "TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1:die_after_fork=0:suppressions=${PROJECT_SOURCE_DIR}/tests/thread_sanitizer.supp")
  endif()
endmacro()

# ordavo_add_real_wm_run(TEST NAME FIXTURE SCREEN TIMEOUT [ENV var=value...]): TEST's executable
# registered as NAME on the fixture's X server (inside ORDAVO_REAL_WM_WRAPPER when the caller set it).
function(ordavo_add_real_wm_run target name fixture screen timeout)
  ordavo_real_wm_fixture(${fixture} ${screen})
  add_test(NAME ${name}
    COMMAND ${ORDAVO_REAL_WM_WRAPPER} ${PROJECT_SOURCE_DIR}/scripts/real-wm run ${CMAKE_BINARY_DIR}/${fixture}
            $<TARGET_FILE:${target}>)
  ordavo_test_environment(environment xcb ${CMAKE_CURRENT_BINARY_DIR}/${name}.home)
  ordavo_sanitizer_environment(environment)
  list(APPEND environment ${ARGN})
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED ${fixture} RESOURCE_LOCK ${fixture}
    TIMEOUT ${timeout} ENVIRONMENT "${environment}")
endfunction()

# ordavo_test_environment(OUT PLATFORM HOME): in OUT, the environment every test runs in: the Qt
# platform, its own settings and cache folders below HOME, a UTF-8 locale and the build folder.
function(ordavo_test_environment out platform home)
  set(${out} "QT_QPA_PLATFORM=${platform};XDG_CONFIG_HOME=${home}/config;XDG_CACHE_HOME=${home}/cache;LC_ALL=C.UTF-8;ORDAVO_BINARY_DIR=${CMAKE_BINARY_DIR}" PARENT_SCOPE)
endfunction()

# ordavo_add_test(NAME [SOURCES src...] LIBS lib... [REAL_WM [EVERY_SCREEN] [ACCESSIBILITY_BUS]] [TIMEOUT s])
# Builds one QtTest executable from NAME.cpp (plus SOURCES) and registers it with CTest, so a
# renamed or missing test file stops the configuration. Tests run on the offscreen platform,
# REAL_WM tests on Xvfb with openbox (xcb platform); every test gets its own empty settings folder.
# EVERY_SCREEN runs a REAL_WM test twice more: as NAME_laptop on a 1366 x 768 screen and as
# NAME_scaled on the 1920 x 1080 screen with Qt's scale factor 1.5 (1280 x 720 logical pixels).
# ACCESSIBILITY_BUS runs the test in a session bus of its own, on which the accessibility bus
# that screen readers use starts when first asked for; that bus never learns the display, so it
# leaves no trace on the X server the tests share.
function(ordavo_add_test name)
  cmake_parse_arguments(T "REAL_WM;EVERY_SCREEN;ACCESSIBILITY_BUS" "TIMEOUT" "SOURCES;LIBS" ${ARGN})
  list(PREPEND T_SOURCES ${name}.cpp)
  list(REMOVE_DUPLICATES T_SOURCES)
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ordavo_common Qt6::Test ${T_LIBS})
  # Read by ordavo_add_real_wm_run: what the test's command runs inside.
  set(ORDAVO_REAL_WM_WRAPPER)
  if(T_ACCESSIBILITY_BUS)
    set(ORDAVO_REAL_WM_WRAPPER env -u DISPLAY dbus-run-session --)
  endif()
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  if(T_REAL_WM)
    ordavo_add_real_wm_run(${name} ${name} real_wm 1920x1080 ${T_TIMEOUT})
    if(T_EVERY_SCREEN)
      ordavo_add_real_wm_run(${name} ${name}_laptop real_wm_laptop 1366x768 ${T_TIMEOUT})
      ordavo_add_real_wm_run(${name} ${name}_scaled real_wm 1920x1080 ${T_TIMEOUT} QT_SCALE_FACTOR=1.5)
    endif()
    return()
  endif()
  if(ORDAVO_SANITIZE_THREAD AND name IN_LIST ORDAVO_THREAD_LANE_TESTS)
    add_test(NAME ${name} COMMAND ${PROJECT_SOURCE_DIR}/scripts/one-cpu $<TARGET_FILE:${name}>)
  else()
    add_test(NAME ${name} COMMAND ${name})
  endif()
  ordavo_test_environment(test_environment offscreen ${CMAKE_CURRENT_BINARY_DIR}/${name}.home)
  ordavo_sanitizer_environment(test_environment)
  set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${test_environment}")
  # The ThreadSanitizer lane (tests/CMakeLists.txt names its tests) builds ordavo_thread_lane and
  # runs the tests labelled "threads".
  if(name IN_LIST ORDAVO_THREAD_LANE_TESTS)
    set_tests_properties(${name} PROPERTIES LABELS threads)
    add_dependencies(ordavo_thread_lane ${name})
  endif()
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
