# The parts of the libraries that differ per system, picked here so that the code above the
# platform layer stays the same everywhere. On Windows the serial line is the system's own
# comm port, polled without blocking (see link/commline.h).
set(src ${PROJECT_SOURCE_DIR}/src)
target_sources(durvex_ground PRIVATE ${src}/platform/programfolder.h ${src}/platform/programfolder.cpp
               ${src}/platform/systemarguments.h ${src}/platform/systemarguments.cpp)
target_sources(durvex_link PRIVATE ${src}/link/systemline.h)
# A platform file that has a Windows counterpart is left out of the Windows build.
set(posix_only platform/termination.cpp platform/standardstreams.cpp platform/programfolder.cpp
               platform/systemarguments.cpp)
if(WIN32)
    foreach(file ${posix_only})
        set_source_files_properties(${src}/${file} DIRECTORY ${src} PROPERTIES HEADER_FILE_ONLY ON)
        string(REPLACE ".cpp" "_win.cpp" counterpart ${file})
        target_sources(durvex_ground PRIVATE ${src}/${counterpart})
    endforeach()
    target_sources(durvex_ground PRIVATE ${src}/platform/commport.h ${src}/platform/commport_win.cpp)
    target_sources(durvex_link PRIVATE ${src}/link/commline.h ${src}/link/commline.cpp ${src}/link/systemline_win.cpp)
else()
    target_sources(durvex_link PRIVATE ${src}/link/systemline_posix.cpp)
endif()
if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/windows.cmake)
endif()
