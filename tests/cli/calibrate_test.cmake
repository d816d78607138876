# kalibracja-cli calibrate: the JSON object, the plain text and the refusals.
function(expect_run expected_status expected_out)
  execute_process(COMMAND ${CLI} ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out
                  ERROR_VARIABLE err)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "${ARGN}: status ${status}, expected ${expected_status}: ${err}")
  endif()
  if(NOT "${expected_out}" STREQUAL "" AND NOT out STREQUAL "${expected_out}")
    message(FATAL_ERROR "${ARGN}: printed [${out}], expected [${expected_out}]")
  endif()
  if(NOT expected_status EQUAL 0 AND err STREQUAL "")
    message(FATAL_ERROR "${ARGN}: no message on stderr")
  endif()
endfunction()

expect_run(0 "{\"age\":2501,\"error\":50,\"sigma\":55,\"range_first\":-892,\"range_last\":-384,\"centre_year\":-600,\"sum\":242.15180317016763,\"lower\":-780,\"upper\":-428,\"text\":\"780BC - 428BC\"}\n"
           calibrate 2501 50 --json)
expect_run(0 "779BC - 427BC\n" calibrate 2500 50)
expect_run(0 "779BC - 427BC\n" calibrate " +2500" 0x32 --curve=INTCAL20)
expect_run(2 "" calibrate 0 50)
expect_run(2 "" calibrate 2500 abc)
expect_run(2 "" calibrate 2500 -5)
expect_run(2 "" calibrate 2500 10001)
expect_run(2 "" calibrate 2147483647 50)
expect_run(2 "" calibrate 2500 2147483647)
expect_run(2 "" calibrate 2500)
expect_run(2 "" calibrate 2500 50 --curve nosuchcurve)
expect_run(2 "" calibrate 2500 50 --frobnicate)
expect_run(0 "" --help)

# The standard method: the curve's own sigma, the median and the highest-density
# ranges. On the Hallstatt plateau the 95.4% range splits in two.
expect_run(0 "{\"age\":2500,\"error\":50,\"curve\":\"IntCal20\",\"median\":-629,\"hpd68\":[{\"from\":-770,\"to\":-725,\"probability\":15.8},{\"from\":-704,\"to\":-702,\"probability\":0.9},{\"from\":-696,\"to\":-662,\"probability\":12.7},{\"from\":-649,\"to\":-544,\"probability\":39.2}],\"hpd95\":[{\"from\":-788,\"to\":-464,\"probability\":93.7},{\"from\":-434,\"to\":-421,\"probability\":1.7}]}\n"
           calibrate 2500 50 --method standard --json)
expect_run(0 "IntCal20, 20000 ± 100 BP
median  22062BC
68.3%   22170BC - 21926BC  68.3%
95.4%   22285BC - 21866BC  95.4%
" calibrate 20000 100 --method=standard)
# A reservoir offset below the curve's: the age calibrated is 1500 + 150 ± 50.
expect_run(0 "{\"age\":1500,\"error\":40,\"curve\":\"Marine20\",\"median\":908,\"hpd68\":[{\"from\":828,\"to\":996,\"probability\":68.6}],\"hpd95\":[{\"from\":727,\"to\":1058,\"probability\":95.4}]}\n"
           calibrate 1500 40 --method standard --curve marine20 --delta-r -150 --delta-r-error 30 --json)
# A user's curve file: a straight line with sigma 30 gives a Gaussian of sigma 50
# around 550 BC.
file(MAKE_DIRECTORY ${WORK_DIR})
file(WRITE ${WORK_DIR}/line.14c "# a straight line\n0,0,30\n51950,51950,30\n")
expect_run(0 "{\"age\":2500,\"error\":40,\"curve\":\"${WORK_DIR}/line.14c\",\"median\":-550,\"hpd68\":[{\"from\":-600,\"to\":-500,\"probability\":68.8}],\"hpd95\":[{\"from\":-650,\"to\":-451,\"probability\":95.4}]}\n"
           calibrate 2500 40 --method standard --curve ${WORK_DIR}/line.14c --json)
expect_run(2 "" calibrate 2500 50 --method foo)
expect_run(2 "" calibrate 2500 50 --delta-r 100)
expect_run(2 "" calibrate 2500 0 --method standard)
expect_run(2 "" calibrate 60000 50 --method standard)
expect_run(2 "" calibrate 2500 50 --method standard --delta-r abc)
expect_run(2 "" calibrate 2500 50 --method standard --delta-r-error -5)
