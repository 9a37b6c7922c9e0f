# Shared build settings and helpers for the subsystem folders.

add_compile_options(-Wall -Wextra)
if(VARNEL_WERROR)
    add_compile_options(-Werror)
endif()
if(VARNEL_SANITIZE)
    # Stop at the first error so that CI fails loudly instead of printing and carrying on.
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined -fno-sanitize-recover=all)
endif()

if(VARNEL_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "VARNEL_FUZZ needs clang (-DCMAKE_CXX_COMPILER=clang++)")
    endif()
    # Coverage instrumentation for the fuzzer everywhere; the fuzz targets link its driver.
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()

# Where tests find their own fixtures and the shared third-party corpus (beside the checkout).
set(VARNEL_TEST_DATA_DIR ${PROJECT_SOURCE_DIR}/tests/data)
get_filename_component(VARNEL_CORPUS_DIR ${PROJECT_SOURCE_DIR}/../shared/corpus ABSOLUTE)

# varnel_library(<name> [DEPS <targets>...])
# Builds every .cpp of the calling folder into the static library varnel_<name>
# (an interface library while the folder has no sources yet).
function(varnel_library name)
    cmake_parse_arguments(A "" "" "DEPS" ${ARGN})
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(srcs)
        add_library(varnel_${name} STATIC ${srcs})
        target_include_directories(varnel_${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(varnel_${name} PUBLIC ${A_DEPS})
    else()
        add_library(varnel_${name} INTERFACE)
        target_include_directories(varnel_${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
        target_link_libraries(varnel_${name} INTERFACE ${A_DEPS})
    endif()
endfunction()

# varnel_tests(<name> [QT] [CPU_BASELINE] [DEPS <targets>...])
# Builds every .cpp of the calling test folder into test_<name> and registers its GoogleTest cases.
# CPU_BASELINE: the code under test picks loops by processor (platform/cpu_features.h), so the whole
# program runs once more as the single test test_<name>.baseline, under VARNEL_CPU=baseline.
# QT tests get one application object (tests/support/qt_environment.cpp) and run on the offscreen
# platform, with leak checking on and the suppressions of tests/support/lsan_qt.supp.
function(varnel_tests name)
    cmake_parse_arguments(A "QT;CPU_BASELINE" "" "DEPS" ${ARGN})
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    if(NOT srcs)
        return()
    endif()
    if(A_QT)
        list(APPEND srcs ${PROJECT_SOURCE_DIR}/tests/support/qt_environment.cpp)
    endif()
    add_executable(test_${name} ${srcs})
    target_link_libraries(test_${name} PRIVATE ${A_DEPS} GTest::gtest_main GTest::gmock)
    target_compile_definitions(test_${name} PRIVATE
        VARNEL_LSAN_SUPPRESSIONS="${PROJECT_SOURCE_DIR}/tests/support/lsan_qt.supp"
        VARNEL_TEST_DATA_DIR="${VARNEL_TEST_DATA_DIR}"
        VARNEL_CORPUS_DIR="${VARNEL_CORPUS_DIR}"
        VARNEL_BINARY_DIR="${PROJECT_BINARY_DIR}")
    set(env "")
    if(A_QT)
        # One variable only: a list here would be split into separate test properties. The
        # suppressions come from tests/support/qt_environment.cpp itself.
        set(env "QT_QPA_PLATFORM=offscreen")
    endif()
    gtest_discover_tests(test_${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 120
        PROPERTIES ENVIRONMENT "${env}")
    if(A_CPU_BASELINE)
        # One process for all cases: the second pass costs one program start, not one per case.
        add_test(NAME test_${name}.baseline COMMAND test_${name})
        set_tests_properties(test_${name}.baseline PROPERTIES
            ENVIRONMENT "VARNEL_CPU=baseline" LABELS cpu-baseline)
    endif()
endfunction()
