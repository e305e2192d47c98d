# The display formats and per-point conversions against numpy and scikit-rf (dB, phase,
# unwrapped phase, backward-difference group delay, VSWR, impedance and admittance for two
# reference impedances, inverse, conjugate, phase offset, delay): the script recomputes the
# committed golden file and compares; the C++ side reads the same file (traces_tests,
# TraceFormatPeerTest.cpp).
add_test(NAME peer_formats
  COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/formats.py --check)
set_tests_properties(peer_formats PROPERTIES LABELS "peer" SKIP_RETURN_CODE 77)
# The CSV export of a 201-point trace read back by numpy.loadtxt: the helper writes the file and
# the values the trace shows.
if(EXISTS /usr/bin/python3)
  add_executable(formats_csv_dump ${CMAKE_SOURCE_DIR}/tests/peer/formats_csv_dump.cpp)
  target_include_directories(formats_csv_dump PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(formats_csv_dump PRIVATE tervan_traces)
  add_test(NAME peer_formats_csv
    COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/formats_csv.py
            $<TARGET_FILE:formats_csv_dump> ${CMAKE_CURRENT_BINARY_DIR}/peer_formats_csv)
  set_tests_properties(peer_formats_csv PROPERTIES LABELS "peer" SKIP_RETURN_CODE 77)
endif()
