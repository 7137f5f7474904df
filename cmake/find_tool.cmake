# ntf_find_tool(VAR PROGRAM PACKAGE): VAR is the path of PROGRAM, found on PATH; a missing
# program stops the configuration with the Debian package that has it.
function(ntf_find_tool var program package)
  find_program(${var} ${program})
  if(NOT ${var})
    message(FATAL_ERROR "${program} not found on PATH: install it (Debian: ${package}; tools/setup.sh "
                        "installs what the build needs), or set ${var} to its path")
  endif()
endfunction()
