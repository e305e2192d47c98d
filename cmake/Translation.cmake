# The built-in Russian translation table.
#
# resources/translation/Translation_RU.txt (UTF-8 "key"="value" lines, '#' notes) is turned by
# tools/translation_resource.cpp into the resource "Translation_RU" (UTF-16 big-endian with a
# byte-order mark, CR LF), which the language module reads. A malformed line or a key given
# twice fails the build.
#
# tervan_translation(<target>) embeds the resource into an executable or test binary.
#
# The CTest check translation_keys fails when a literal key that the sources hand to the lookup
# (Translate, TranslateAnsi, TranslateText or the marker TranslationKey) has no Russian value.

set(TERVAN_TRANSLATION_TABLE ${CMAKE_SOURCE_DIR}/resources/translation/Translation_RU.txt)
set(TERVAN_TRANSLATION_RESOURCE ${CMAKE_BINARY_DIR}/generated/translation/Translation_RU.utf16be)

add_executable(tervan_translation_tool ${CMAKE_SOURCE_DIR}/tools/translation_resource.cpp)
add_custom_command(OUTPUT ${TERVAN_TRANSLATION_RESOURCE}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_BINARY_DIR}/generated/translation
  COMMAND tervan_translation_tool ${TERVAN_TRANSLATION_TABLE} ${TERVAN_TRANSLATION_RESOURCE}
  DEPENDS tervan_translation_tool ${TERVAN_TRANSLATION_TABLE}
  COMMENT "Building the translation resource Translation_RU"
  VERBATIM)

function(tervan_translation target)
  tervan_resources(${target} "Translation_RU=${TERVAN_TRANSLATION_RESOURCE}")
endfunction()

add_test(NAME translation_keys
  COMMAND /usr/bin/python3 ${CMAKE_SOURCE_DIR}/tools/check_translations.py ${CMAKE_SOURCE_DIR})
set_tests_properties(translation_keys PROPERTIES LABELS "checks")
