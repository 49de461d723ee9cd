# The temporary folder that every test of the suite is given (TMPDIR):
#   cmake -DFOLDER=... -DSTEP=prepare -P temporary_folder.cmake  makes it, empty
#   cmake -DFOLDER=... -DSTEP=check -P temporary_folder.cmake    fails, naming
#                                                                 what is left
if(STEP STREQUAL "prepare")
  file(REMOVE_RECURSE "${FOLDER}")
  file(MAKE_DIRECTORY "${FOLDER}")
elseif(STEP STREQUAL "check")
  file(GLOB left LIST_DIRECTORIES true "${FOLDER}/*" "${FOLDER}/.*")
  if(left)
    list(JOIN left "\n  " names)
    message(FATAL_ERROR "The tests left in the temporary folder:\n  ${names}")
  endif()
else()
  message(FATAL_ERROR "STEP is prepare or check")
endif()
