# kalibracja-cli listing: the exact listing bytes, the .rsi file beside them
# and the failures that must leave an existing file alone.
file(REMOVE_RECURSE ${WORK_DIR})
file(MAKE_DIRECTORY ${WORK_DIR})

# Standard output goes through a file, read as hexadecimal: CMake's text
# reading would turn CR LF into LF. `out` is that hexadecimal text.
function(run expected_status)
  execute_process(COMMAND ${CLI} ${ARGN} WORKING_DIRECTORY ${WORK_DIR}
                  RESULT_VARIABLE status OUTPUT_FILE ${WORK_DIR}/../listing_stdout
                  ERROR_VARIABLE err)
  if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "${ARGN}: status ${status}, expected ${expected_status}: ${err}")
  endif()
  file(READ ${WORK_DIR}/../listing_stdout out HEX)
  set(out "${out}" PARENT_SCOPE)
  set(err "${err}" PARENT_SCOPE)
endfunction()

function(hex text variable)
  string(HEX "${text}" hex_text)
  set(${variable} ${hex_text} PARENT_SCOPE)
endfunction()

function(expect_equal what actual expected)
  if(NOT "${actual}" STREQUAL "${expected}")
    message(FATAL_ERROR "${what}: [${actual}], expected [${expected}]")
  endif()
endfunction()

# 2501 +- 50 on IntCal20: the window -892..-384, 509 lines of 14 bytes.
run(0 listing 2501 50)
set(listing "${out}")
string(LENGTH "${listing}" length)
expect_equal("listing length" ${length} 14252)
string(SUBSTRING "${listing}" 0 56 head)
hex("-892\t0.00000\r\n-891\t0.00000\r\n" expected)
expect_equal("first lines" "${head}" "${expected}")
string(SUBSTRING "${listing}" 14224 28 tail)
hex("-384\t0.00000\r\n" expected)
expect_equal("last line" "${tail}" "${expected}")
hex("\r\n-600\t0.00364\r\n" expected)
string(FIND "${listing}" "${expected}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "no line -600 0.00364 in the listing")
endif()

# The same listing with the file: the two bounds and 509 values.
run(0 listing 2501 50 --rsi run)
expect_equal("listing with --rsi" "${out}" "${listing}")
file(SIZE "${WORK_DIR}/Data run.rsi" size)
expect_equal("file size" ${size} 2044)
file(READ "${WORK_DIR}/Data run.rsi" bounds LIMIT 8 HEX)
expect_equal("bounds -892.0 and -384.0" ${bounds} "00005fc40000c0c3")

# A blank is a name; a longer old file is replaced whole.
file(WRITE "${WORK_DIR}/Data  .rsi" "an old and much longer content than the new one will have")
run(0 listing 500 10 "--rsi= ")
file(SIZE "${WORK_DIR}/Data  .rsi" size)
math(EXPR lines "${size} / 4 - 2")
string(REGEX MATCHALL "0d0a" ends "${out}")
list(LENGTH ends line_ends)
expect_equal("one value per listed line" ${lines} ${line_ends})
if(lines LESS 10)
  message(FATAL_ERROR "500 +- 10 listed only ${lines} years")
endif()

# Failures: message on stderr, nothing on stdout, status 1, old file unchanged.
run(1 listing 2501 50 --rsi nowhere/x)
expect_equal("missing folder stdout" "${out}" "")
expect_equal("missing folder" "${err}" "kalibracja-cli: Invalid filename\n")

file(WRITE "${WORK_DIR}/Data kept.rsi" "protected")
file(CHMOD "${WORK_DIR}/Data kept.rsi" PERMISSIONS OWNER_READ GROUP_READ WORLD_READ)
run(1 listing 2501 50 --rsi kept)
expect_equal("read-only file" "${err}" "kalibracja-cli: File access denied\n")
file(READ "${WORK_DIR}/Data kept.rsi" kept)
expect_equal("read-only file content" "${kept}" "protected")

string(REPEAT "n" 251 long_name)
run(1 listing 2501 50 --rsi ${long_name})
expect_equal("name too long" "${err}" "kalibracja-cli: I/O error 36\n")

file(GLOB left RELATIVE ${WORK_DIR} ${WORK_DIR}/*)
list(SORT left)
expect_equal("files in the folder" "${left}" "Data  .rsi;Data kept.rsi;Data run.rsi")

# Argument refusals, as for calibrate.
run(2 listing 2500)
run(2 listing 0 50)
run(2 listing 2500 50 --rsi)
run(2 listing 2500 50 --curve nosuchcurve)
run(0 listing --help)
