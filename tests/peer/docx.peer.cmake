# The report packages read by Python's own zipfile and xml (check_docx.py): placeholders, the
# picture part decoded here pixel for pixel, its relationship, content types and size, the
# template's other parts unchanged. peer_docx_soffice has LibreOffice convert each report to PDF
# and is skipped (77) where soffice is not installed.
if(EXISTS /usr/bin/python3 AND TARGET tervan_shell)
  add_executable(docx_dump ${CMAKE_SOURCE_DIR}/tests/peer/docx_dump.cpp)
  target_include_directories(docx_dump PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(docx_dump PRIVATE tervan_shell)
  add_test(NAME peer_docx
    COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/check_docx.py $<TARGET_FILE:docx_dump>)
  set_tests_properties(peer_docx PROPERTIES LABELS "peer")
  add_test(NAME peer_docx_soffice
    COMMAND ${TERVAN_PEER_PYTHON} ${CMAKE_SOURCE_DIR}/tests/peer/check_docx.py --soffice $<TARGET_FILE:docx_dump>)
  set_tests_properties(peer_docx_soffice PROPERTIES LABELS "peer" SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
