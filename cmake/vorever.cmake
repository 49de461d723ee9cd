# Helpers shared by the folders' build files.

# An empty translation unit for a library whose folders hold no source yet.
set(VOREVER_EMPTY_SOURCE ${CMAKE_BINARY_DIR}/vorever_empty.cpp CACHE INTERNAL "")
file(WRITE ${VOREVER_EMPTY_SOURCE} "")

# vorever_library(NAME DIRS dir... [LINKS lib...])
# A shared library from every .cpp file of the given folders (relative to the
# calling folder).
function(vorever_library name)
  cmake_parse_arguments(ARG "" "" "DIRS;LINKS" ${ARGN})
  set(sources)
  foreach(dir IN LISTS ARG_DIRS)
    file(GLOB found CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${dir}/*.cpp)
    list(APPEND sources ${found})
  endforeach()
  if(NOT sources)
    set(sources ${VOREVER_EMPTY_SOURCE})
  endif()
  add_library(${name} SHARED ${sources})
  foreach(dir IN LISTS ARG_DIRS)
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/${dir})
  endforeach()
  # The host's shared records (host/appoptions.h); the host library defines them.
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/host)
  target_link_libraries(${name} PUBLIC ${ARG_LINKS})
endfunction()

# The nine deliverables, the platform layer and the outside libraries: what an
# executable links to have every symbol of the system at load time.
set(VOREVER_ALL_LIBRARIES
  qorshell qorxchg qorlamp qorstage qorgfx qorsimp qorscene qortask qorcommon
  qorhid qorconv qorlens
  CACHE INTERNAL "")

function(vorever_runtime_folders)
  foreach(folder media samples Tools html)
    set(src ${CMAKE_SOURCE_DIR}/${folder})
    set(dst ${CMAKE_BINARY_DIR}/${folder})
    file(MAKE_DIRECTORY ${dst})
    if(EXISTS ${src})
      file(GLOB_RECURSE files CONFIGURE_DEPENDS RELATIVE ${src} ${src}/*)
      foreach(f IN LISTS files)
        configure_file(${src}/${f} ${dst}/${f} COPYONLY)
      endforeach()
    endif()
  endforeach()
endfunction()

# vorever_link_tds_toolkit(TARGET)
# Links a library with its own copy of the 3DS chunk toolkit (xchg/toolkit),
# whose symbols stay hidden inside it, and exports the copy's probe as
# <TARGET>_tdsProbe.
function(vorever_link_tds_toolkit target)
  target_link_libraries(${target} PRIVATE tdstoolkit)
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/xchg/toolkit/probe/tdsprobe.cpp)
  target_compile_definitions(${target} PRIVATE TDS_PROBE_NAME=${target}_tdsProbe)
endfunction()
