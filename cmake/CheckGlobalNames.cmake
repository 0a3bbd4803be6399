# Code of our own lives in namespace ordavia; only the classes the product
# documentation names may be defined in the global namespace of a header
# (GlobalNames.txt lists them). Functions and variables declared there at
# global scope are refused too.
# Run as: cmake -DSOURCE_DIR=<repository> [-DNAMES=<list file>] -P CheckGlobalNames.cmake
if(NOT SOURCE_DIR)
    message(FATAL_ERROR "CheckGlobalNames: SOURCE_DIR not given")
endif()
if(NOT NAMES)
    set(NAMES ${CMAKE_CURRENT_LIST_DIR}/GlobalNames.txt)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/Layers.cmake)

file(STRINGS ${NAMES} allowed REGEX "^[A-Za-z_]")
set(violations "")
foreach(folder ${ORDAVIA_LAYERS})
    file(GLOB headers ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/ui/*.h)
    foreach(h ${headers})
        file(RELATIVE_PATH rel ${SOURCE_DIR} ${h})
        # One list element per line: the characters CMake lists treat
        # specially ([ ] ; \\) are replaced first.
        file(READ ${h} content)
        string(REGEX REPLACE "[][;\\\\]" "@" content "${content}")
        string(REPLACE "\n" ";" lines "${content}")
        # Brace depth 0 is the global namespace (comments and quoted text
        # left out of the count).
        set(depth 0)
        foreach(line IN LISTS lines)
            if(depth EQUAL 0 AND line MATCHES
               "^(class|struct|union|enum|enum class) +(@@[a-z]+@@ +)?([A-Za-z_][A-Za-z0-9_]*)( final)?( *:.*| *{.*)?$")
                set(name ${CMAKE_MATCH_3})
                list(FIND allowed ${name} found)
                if(found EQUAL -1)
                    list(APPEND violations "${rel}: ${name} is in the global namespace")
                endif()
            endif()
            if(depth EQUAL 0 AND NOT line MATCHES "^(class|struct|union|enum|template|namespace|using|typedef|static_assert|return|friend|#)"
               AND line MATCHES "^((inline|constexpr|extern|static|@@nodiscard@@) +)*[A-Za-z_][A-Za-z0-9_:<>,*& ]*[ *&]([A-Za-z_][A-Za-z0-9_]*) *[(=]")
                list(APPEND violations "${rel}: ${CMAKE_MATCH_3} is declared in the global namespace")
            endif()
            string(REGEX REPLACE "//.*$" "" code "${line}")
            string(REGEX REPLACE "\"[^\"]*\"|'[^']*'" "" code "${code}")
            string(REGEX MATCHALL "{" opens "${code}")
            string(REGEX MATCHALL "}" closes "${code}")
            list(LENGTH opens n_open)
            list(LENGTH closes n_close)
            math(EXPR depth "${depth} + ${n_open} - ${n_close}")
        endforeach()
    endforeach()
endforeach()

if(violations)
    list(JOIN violations "\n  " text)
    message(FATAL_ERROR "Code of our own belongs in namespace ordavia (only a documented "
                        "class, listed in cmake/GlobalNames.txt, may be global):\n  ${text}")
endif()
message(STATUS "Global names: only documented classes in the global namespace")
