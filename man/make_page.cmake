# One manual page: scdoc, then tidy_roff.pl, then gzip -9n, in one pipe.
#   cmake -DSCDOC= -DPERL= -DGZIP= -DTIDY= -DTIDY_OPTIONS= -DSOURCE= -DOUTPUT= -P make_page.cmake
get_filename_component(folder ${OUTPUT} DIRECTORY)
file(MAKE_DIRECTORY ${folder})
execute_process(
  COMMAND ${SCDOC}
  COMMAND ${PERL} ${TIDY} ${TIDY_OPTIONS}
  COMMAND ${GZIP} -9 -n
  INPUT_FILE ${SOURCE}
  OUTPUT_FILE ${OUTPUT}.tmp
  RESULTS_VARIABLE results)
foreach(result IN LISTS results)
  if(NOT result EQUAL 0)
    file(REMOVE ${OUTPUT}.tmp)
    message(FATAL_ERROR "${SOURCE}: ${results}")
  endif()
endforeach()
file(RENAME ${OUTPUT}.tmp ${OUTPUT})
