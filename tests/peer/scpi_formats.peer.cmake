# The formatted arrays read over SCPI (FDAT?) against numpy's formulas applied to the complex
# arrays of the same sweep (SDAT?): a case of automation_tests writes both, the script compares.
if(EXISTS /usr/bin/python3 AND TARGET automation_tests)
  add_test(NAME scpi_formats_dump COMMAND automation_tests --gtest_filter=ScpiFormatsDump.*)
  set_tests_properties(scpi_formats_dump PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;TERVAN_SCPI_FORMATS_DUMP=${CMAKE_CURRENT_BINARY_DIR}/scpi_formats.txt"
    FIXTURES_SETUP scpi_formats LABELS "peer" TIMEOUT 180)
  add_test(NAME peer_scpi_formats
    COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/scpi_formats.py
            ${CMAKE_CURRENT_BINARY_DIR}/scpi_formats.txt)
  set_tests_properties(peer_scpi_formats PROPERTIES FIXTURES_REQUIRED scpi_formats LABELS "peer"
    SKIP_RETURN_CODE 77)
endif()
