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

# Layering. No target has src/ on its include path. Each library's headers are staged as
# symbolic links under <build>/include/<library>/<folder>/, and that staging folder is the
# library's only include directory, handed on (PUBLIC) to whatever links the library. A library
# therefore sees its own headers and those of the libraries it declares (and theirs), nothing
# else: an include that points the wrong way (the engine reaching into app/, view/ into the
# application's settings, history/ into the filters) fails to compile with "No such file or
# directory" instead of working by accident.
#
# varnel_stage_headers(<target> <folder> <headers>...) stages the given headers of src/<folder>
# for <target>. The staging folder is rebuilt at every configure, which the header globs below
# trigger (CONFIGURE_DEPENDS) whenever a header is added or removed.
function(varnel_stage_headers target folder)
    set(stage ${PROJECT_BINARY_DIR}/include/${target})
    file(REMOVE_RECURSE ${stage})
    file(MAKE_DIRECTORY ${stage}/${folder})
    foreach(header IN LISTS ARGN)
        get_filename_component(name ${header} NAME)
        file(CREATE_LINK ${header} ${stage}/${folder}/${name} SYMBOLIC)
    endforeach()
    get_target_property(type ${target} TYPE)
    if(type STREQUAL "INTERFACE_LIBRARY")
        target_include_directories(${target} INTERFACE ${stage})
    else()
        target_include_directories(${target} PUBLIC ${stage})
    endif()
endfunction()

# varnel_library(<name> [DEPS <targets>...] [EXCLUDE <headers>...])
# Builds every .cpp of the calling folder into the static library varnel_<name> (an interface
# library while the folder has no sources yet) and stages the folder's headers for it, less the
# EXCLUDEd file names (headers that belong to another library of the same folder).
function(varnel_library name)
    cmake_parse_arguments(A "" "" "DEPS;EXCLUDE" ${ARGN})
    file(GLOB srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    file(GLOB headers CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.h)
    foreach(excluded IN LISTS A_EXCLUDE)
        list(REMOVE_ITEM headers ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
    endforeach()
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    if(srcs)
        add_library(varnel_${name} STATIC ${srcs})
        target_link_libraries(varnel_${name} PUBLIC ${A_DEPS})
    else()
        add_library(varnel_${name} INTERFACE)
        target_link_libraries(varnel_${name} INTERFACE ${A_DEPS})
    endif()
    varnel_stage_headers(varnel_${name} ${folder} ${headers})
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
