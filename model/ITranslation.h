#pragma once
// Lookup of user-visible texts by their English wording. The language module implements it;
// program start installs it in the service registry. All texts are UTF-8.
#include <string>

class ITranslation {
 public:
  virtual ~ITranslation() = default;
  // The translation of the English text, or the text itself when there is none.
  virtual std::string Translate(const std::string& english) const = 0;
  // The same for texts that end up in 8-bit files; the result is UTF-8 as well.
  virtual std::string TranslateAnsi(const std::string& english) const = 0;
  // True when no translation is in force (the program shows English).
  virtual bool IsEnglish() const = 0;
};
