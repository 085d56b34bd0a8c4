# cmake -DSOURCE=... -DOUTPUT=... -DHOST_CC=... -DTCLSH=... -DMAKE=... -P SqliteAmalgamation.cmake
# Runs SQLite's configure out of tree in OUTPUT and its make target
# sqlite3.c, which also writes sqlite3.h. Their chatter shows only when a
# step fails.
file(MAKE_DIRECTORY ${OUTPUT})
function(run_step)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${OUTPUT}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ARGN} failed (${result}):\n${output}")
  endif()
endfunction()
# The generator tools run on the build machine: the host's compiler, not mingw.
run_step(${CMAKE_COMMAND} -E env CC=${HOST_CC} CFLAGS=-O0 TCLSH_CMD=${TCLSH}
         ${SOURCE}/configure --disable-tcl --disable-readline)
run_step(${MAKE} sqlite3.c)
