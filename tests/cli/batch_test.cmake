# kalibracja-cli batch run as a user runs it: a list from a file and from
# standard input, CSV and JSON lines, rows equal to single calculations, the
# same output for one and two workers, and the refusals.
cmake_minimum_required(VERSION 3.25)
file(MAKE_DIRECTORY ${WORK_DIR})

# Runs the CLI with ARGN; sets `out` and checks the status.
function(run_batch expected_status)
  cmake_parse_arguments(RUN "" "INPUT" "" ${ARGN})
  if(RUN_INPUT)
    execute_process(COMMAND ${CLI} ${RUN_UNPARSED_ARGUMENTS} INPUT_FILE ${RUN_INPUT}
                    RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE err)
  else()
    execute_process(COMMAND ${CLI} ${RUN_UNPARSED_ARGUMENTS} RESULT_VARIABLE status
                    OUTPUT_VARIABLE output ERROR_VARIABLE err)
  endif()
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "${RUN_UNPARSED_ARGUMENTS}: status ${status}, expected ${expected_status}: ${err}")
  endif()
  if(NOT expected_status EQUAL 0 AND err STREQUAL "")
    message(FATAL_ERROR "${RUN_UNPARSED_ARGUMENTS}: no message on stderr")
  endif()
  set(out "${output}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

function(expect_equal actual expected what)
  if(NOT "${actual}" STREQUAL "${expected}")
    message(FATAL_ERROR "${what}: got [${actual}], expected [${expected}]")
  endif()
endfunction()

# The row `calibrate --json` gives for AGE and ERROR, as the batch writes it
# after the id.
function(single_row age error result)
  execute_process(COMMAND ${CLI} calibrate ${age} ${error} --json OUTPUT_VARIABLE json
                  RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "calibrate ${age} ${error}: status ${status}")
  endif()
  string(JSON first GET "${json}" range_first)
  string(JSON last GET "${json}" range_last)
  string(JSON lower GET "${json}" lower)
  string(JSON upper GET "${json}" upper)
  string(JSON text GET "${json}" text)
  set(${result} "${age},${error},${first},${last},${lower},${upper},${text}," PARENT_SCOPE)
endfunction()

# A list with a byte order mark, semicolons, CR LF, a quoted id and one bad row.
string(ASCII 239 187 191 bom)
file(WRITE ${WORK_DIR}/list.csv
     "${bom}LabNr;Material;C14Age;Sigma\r\n"
     "Poz-1;charcoal;2500;50\r\n"
     "\"Poz;2\";bone;11000;120\r\n"
     "Poz-3;shell;n/a;30\r\n"
     "Poz-4;wood;600;10\r\n")
run_batch(1 batch ${WORK_DIR}/list.csv)
single_row(2500 50 row1)
single_row(11000 120 row2)
single_row(600 10 row4)
string(CONCAT expected
       "id,age,error,range_first,range_last,lower,upper,text,error_message\n"
       "Poz-1,${row1}\n"
       "Poz;2,${row2}\n"
       "Poz-3,n/a,30,,,,,,\"the age \"\"n/a\"\" is not an integer\"\n"
       "Poz-4,${row4}\n")
expect_equal("${out}" "${expected}" "list.csv")
if(NOT err MATCHES "1 of 4 rows could not be calibrated")
  message(FATAL_ERROR "list.csv: stderr [${err}]")
endif()

# Standard input, named columns, JSON lines; every row calibrates: status 0.
file(WRITE ${WORK_DIR}/named.csv "a,b\n2500,50\n")
run_batch(0 batch - --age-col A --error-col=b --format json INPUT ${WORK_DIR}/named.csv)
string(JSON text GET "${out}" text)
string(JSON message GET "${out}" error_message)
execute_process(COMMAND ${CLI} calibrate 2500 50 OUTPUT_VARIABLE single)
expect_equal("${text}\n" "${single}" "json text")
expect_equal("${message}" "" "json error_message")
run_batch(0 batch INPUT ${WORK_DIR}/named.csv --age-col a --error-col b --curve shcal20)
execute_process(COMMAND ${CLI} calibrate 2500 50 --curve shcal20 OUTPUT_VARIABLE single)
string(REGEX REPLACE "\n$" "" single "${single}")
if(NOT out MATCHES ",${single},\n$")
  message(FATAL_ERROR "shcal20: [${out}] lacks [${single}]")
endif()

# One and two workers over a list of several blocks: the same bytes.
set(rows "age,error\n")
foreach(i RANGE 1 12000)
  math(EXPR age "100 + (${i} * 7919) % 44000")
  math(EXPR error "20 + (${i} * 31) % 180")
  string(APPEND rows "${age},${error}\n")
endforeach()
file(WRITE ${WORK_DIR}/long.csv "${rows}")
run_batch(0 batch ${WORK_DIR}/long.csv --jobs 1)
set(one "${out}")
run_batch(0 batch ${WORK_DIR}/long.csv --jobs 2)
if(NOT one STREQUAL out)
  message(FATAL_ERROR "--jobs 1 and --jobs 2 differ")
endif()
string(LENGTH "${one}" length)
if(length LESS 400000)
  message(FATAL_ERROR "long.csv: output too short (${length} bytes)")
endif()

# Refusals: status 2 and a message.
file(WRITE ${WORK_DIR}/no-error.csv "id,age\nx,2500\n")
run_batch(2 batch ${WORK_DIR}/no-error.csv)
if(NOT err MATCHES "no error column")
  message(FATAL_ERROR "no-error.csv: stderr [${err}]")
endif()
file(WRITE ${WORK_DIR}/empty.csv "")
run_batch(2 batch ${WORK_DIR}/empty.csv)
run_batch(2 batch ${WORK_DIR}/no-such-file.csv)
run_batch(2 batch ${WORK_DIR}/named.csv --format xml)
run_batch(2 batch ${WORK_DIR}/named.csv --jobs 0)
run_batch(2 batch ${WORK_DIR}/named.csv --age-col wiek)
run_batch(2 batch ${WORK_DIR}/named.csv --curve nosuchcurve)
run_batch(2 batch ${WORK_DIR}/named.csv ${WORK_DIR}/named.csv)
run_batch(0 batch --help)

# The standard method: each row's median and ranges are those of
# `calibrate --method standard --json` for the same date, with the reservoir
# offset applied to every row.
function(standard_row age error result)
  execute_process(COMMAND ${CLI} calibrate ${age} ${error} --method standard --json ${ARGN}
                  OUTPUT_VARIABLE json RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "calibrate ${age} ${error} --method standard: status ${status}")
  endif()
  string(JSON median GET "${json}" median)
  string(JSON count LENGTH "${json}" hpd95)
  set(${result} "${median};${count}" PARENT_SCOPE)
endfunction()
file(WRITE ${WORK_DIR}/standard.csv "id,age,error\na,2500,50\nb,20000,100\nc,60000,100\nd,2500,0\n")
run_batch(1 batch ${WORK_DIR}/standard.csv --method standard --format json)
string(REPLACE "\n" ";" rows "${out}")
list(GET rows 0 row_a)
list(GET rows 1 row_b)
list(GET rows 2 row_c)
list(GET rows 3 row_d)
standard_row(2500 50 expected_a)
list(GET expected_a 0 median_a)
string(JSON got_median GET "${row_a}" median)
expect_equal("${got_median}" "${median_a}" "standard median of 2500 50")
string(JSON hpd95 GET "${row_a}" hpd95)
expect_equal("${hpd95}" "788BC - 464BC 93.7%, 434BC - 421BC 1.7%" "standard 95.4% of 2500 50")
standard_row(20000 100 expected_b)
list(GET expected_b 0 median_b)
string(JSON got_median GET "${row_b}" median)
expect_equal("${got_median}" "${median_b}" "standard median of 20000 100")
string(JSON message_c GET "${row_c}" error_message)
string(FIND "${message_c}" "beyond the reach" at)
if(at LESS 0)
  message(FATAL_ERROR "an age beyond the curve: [${message_c}]")
endif()
string(JSON message_d GET "${row_d}" error_message)
expect_equal("${message_d}" "the standard method needs an error above 0" "error 0")
run_batch(0 batch ${WORK_DIR}/named.csv --age-col a --error-col b --method standard
          --curve marine20 --delta-r -150 --delta-r-error 30)
run_batch(2 batch ${WORK_DIR}/named.csv --method bayes)
run_batch(2 batch ${WORK_DIR}/named.csv --delta-r 100)
