#pragma once
// Marks an English text that the program translates later, away from the literal: a table of
// unit texts or captions that passes through the language module when it is filled. The marker
// changes nothing; it lets the key check (tools/check_translations.py) find every key that needs
// a Russian value, as it finds the literals handed straight to Translate.
constexpr const char* TranslationKey(const char* english) { return english; }
