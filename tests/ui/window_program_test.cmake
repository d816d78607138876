# kalibracja --help lists the curves; a wrong argument ends with status 2.
execute_process(COMMAND ${PROGRAM} --help RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "--help: status ${status}: ${err}")
endif()
foreach(expected "Usage: kalibracja" "intcal20" "shcal20" "marine20" "doi:" "PATH")
  string(FIND "${out}" "${expected}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "--help does not mention ${expected}: ${out}")
  endif()
endforeach()

execute_process(COMMAND ${PROGRAM} --frobnicate RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(NOT status EQUAL 2 OR err STREQUAL "")
  message(FATAL_ERROR "--frobnicate: status ${status}, stderr [${err}]")
endif()
