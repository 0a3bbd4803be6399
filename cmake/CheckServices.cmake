# Services reach documents and commands through the application-services
# object; no product code asks a process-wide one. Only the two main
# functions, which build the services, may name these.
# Run as: cmake -DSOURCE_DIR=<repository> -P CheckServices.cmake
cmake_policy(SET CMP0057 NEW)
if(NOT SOURCE_DIR)
    message(FATAL_ERROR "CheckServices: SOURCE_DIR not given")
endif()

set(folders base framework settings db results image chart measure live video linescan doppler app cli)
set(allowed app/ui/main.cpp cli/main.cpp)
set(globals "ProfileStore::instance[ \t]*\\(|Prompter::current[ \t]*\\(|Prompter::setCurrent[ \t]*\\(|StartupSettings::current[ \t]*\\(|ResultTables::instance[ \t]*\\(|CSubjectDatabase::instance[ \t]*\\(|TimerFactory::current[ \t]*\\(|TimerFactory::setCurrent[ \t]*\\(|MarkerLink::current[ \t]*\\(|MarkerLink::setCurrent[ \t]*\\(|LineScanLink::current[ \t]*\\(|LineScanLink::setCurrent[ \t]*\\(|LiveLineScan::instance[ \t]*\\(|cliServices[ \t]*\\(")

set(violations "")
foreach(folder ${folders})
    file(GLOB_RECURSE files ${SOURCE_DIR}/${folder}/*.h ${SOURCE_DIR}/${folder}/*.cpp)
    foreach(f ${files})
        file(RELATIVE_PATH rel ${SOURCE_DIR} ${f})
        if(rel IN_LIST allowed)
            continue()
        endif()
        file(READ ${f} content)
        string(REGEX MATCHALL "${globals}" found "${content}")
        if(found)
            list(REMOVE_DUPLICATES found)
            list(JOIN found ", " names)
            list(APPEND violations "${rel}: ${names}")
        endif()
    endforeach()
endforeach()

if(violations)
    list(JOIN violations "\n  " text)
    message(FATAL_ERROR "Process-wide services reached outside main (take them from the AppServices instead):\n  ${text}")
endif()
message(STATUS "Services: none reached outside the two main functions")
