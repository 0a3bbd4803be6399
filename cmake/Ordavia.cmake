# Helpers shared by the folders' CMakeLists.
include(${CMAKE_CURRENT_LIST_DIR}/Layers.cmake)

# ordavia_library(<folder> SOURCES ... [DEPS ...] [LIBS ...])
# Builds the static library ordavia_<folder> and adds it to ordavia_core.
function(ordavia_library folder)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LIBS" ${ARGN})
    set(target ordavia_${folder})
    if(ARG_SOURCES)
        add_library(${target} STATIC ${ARG_SOURCES})
        target_include_directories(${target} PUBLIC ${CMAKE_SOURCE_DIR})
        foreach(dep ${ARG_DEPS})
            target_link_libraries(${target} PUBLIC ordavia_${dep})
        endforeach()
        if(ARG_LIBS)
            target_link_libraries(${target} PUBLIC ${ARG_LIBS})
        endif()
    else()
        add_library(${target} INTERFACE)
        target_include_directories(${target} INTERFACE ${CMAKE_SOURCE_DIR})
        foreach(dep ${ARG_DEPS})
            target_link_libraries(${target} INTERFACE ordavia_${dep})
        endforeach()
    endif()
    target_link_libraries(ordavia_core INTERFACE ${target})
endfunction()

# ordavia_ui_sources(<file> ...): adds Qt sources of this folder's ui/ to the
# folder's own UI library, ordavia_<folder>_ui. It links the folder's core
# library and the UI libraries of the folders below it only, so a call
# upwards fails to link (the layering_link_* programs link each UI library
# whole). The INTERFACE target ordavia_ui gathers them all.
function(ordavia_ui_sources)
    if(NOT ORDAVIA_BUILD_UI)
        return()
    endif()
    get_filename_component(folder ${CMAKE_CURRENT_SOURCE_DIR} NAME)
    set(target ordavia_${folder}_ui)
    if(NOT TARGET ${target})
        add_library(${target} STATIC)
        set_target_properties(${target} PROPERTIES AUTOMOC ON)
        target_link_libraries(${target} PUBLIC ordavia_${folder}
            Qt6::Widgets Qt6::PrintSupport Qt6::Network)
        foreach(lower ${ORDAVIA_USES_${folder}})
            if(TARGET ordavia_${lower}_ui)
                target_link_libraries(${target} PUBLIC ordavia_${lower}_ui)
            elseif(EXISTS ${CMAKE_SOURCE_DIR}/${lower}/ui)
                message(FATAL_ERROR "${target}: ${lower}/ui is not built before ${folder}/ui")
            endif()
        endforeach()
        target_link_libraries(ordavia_ui INTERFACE ${target})
        set_property(GLOBAL APPEND PROPERTY ORDAVIA_UI_FOLDERS ${folder})
    endif()
    target_sources(${target} PRIVATE ${ARGN})
endfunction()

# ordavia_test(<name> SOURCES ... [DEPS ...] [LIBS ...])
# One GoogleTest binary, registered with CTest. ORDAVIA_TEST_DATA names the
# fixture folder so that tests never depend on the working directory.
# HEAVY "Suite.*:Suite.Case": the accuracy runs and large-picture checks of
# the suite, labelled "heavy" so that the sanitizer run can leave them out
# (ctest -LE heavy); their small cases elsewhere take the same paths.
function(ordavia_test name)
    cmake_parse_arguments(ARG "" "HEAVY" "SOURCES;DEPS;LIBS" ${ARGN})
    # A suite whose files are still being written must not stop everyone
    # else's configure: missing sources are reported and left out.
    set(present)
    foreach(src ${ARG_SOURCES})
        if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${src} OR EXISTS ${src})
            list(APPEND present ${src})
        else()
            message(WARNING "${name}: missing source ${src}")
        endif()
    endforeach()
    if(NOT present)
        return()
    endif()
    add_executable(${name} ${present})
    target_link_libraries(${name} PRIVATE GTest::gtest GTest::gtest_main)
    foreach(dep ${ARG_DEPS})
        target_link_libraries(${name} PRIVATE ordavia_${dep})
    endforeach()
    if(ARG_LIBS)
        target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    endif()
    target_compile_definitions(${name} PRIVATE
        ORDAVIA_TEST_DATA="${CMAKE_SOURCE_DIR}/tests/data"
        ORDAVIA_SOURCE_DIR="${CMAKE_SOURCE_DIR}"
        ORDAVIA_PROGRAM_DIR="${ORDAVIA_PROGRAM_DIR}")
    if(ARG_HEAVY)
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "-${ARG_HEAVY}"
            PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_FILTER "${ARG_HEAVY}"
            PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS heavy)
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
            PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
    endif()
endfunction()

# ordavia_bench(<name> SOURCES ... [DEPS ...])
function(ordavia_bench name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LIBS" ${ARGN})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE benchmark::benchmark)
    foreach(dep ${ARG_DEPS})
        target_link_libraries(${name} PRIVATE ordavia_${dep})
    endforeach()
    if(ARG_LIBS)
        target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    endif()
endfunction()

# ordavia_fuzzer(<name> SOURCES ... [DEPS ...]): a libFuzzer target, built
# only with -DORDAVIA_FUZZ=ON and clang.
function(ordavia_fuzzer name)
    cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;LIBS" ${ARGN})
    if(NOT ORDAVIA_FUZZ)
        return()
    endif()
    add_executable(${name} ${ARG_SOURCES})
    target_link_options(${name} PRIVATE -fsanitize=fuzzer,address)
    foreach(dep ${ARG_DEPS})
        target_link_libraries(${name} PRIVATE ordavia_${dep})
    endforeach()
    if(ARG_LIBS)
        target_link_libraries(${name} PRIVATE ${ARG_LIBS})
    endif()
endfunction()
