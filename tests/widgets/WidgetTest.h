#pragma once
// What the widget tests share: the offscreen application, a test driver whose failures fail
// the running test, and a display look measured with fixed metrics ("H" 14 high, so that
// FieldHeight is 30 and Margin 6, unless a fixture asks for other metrics) installed as the
// program's look for the test.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "display/ViewProperties.h"
#include "platform/ui/Application.h"
#include "platform/ui/FakeFontMetrics.h"
#include "platform/ui/TestDriver.h"

class WidgetTest : public ::testing::Test {
 protected:
  // Before the fixtures' own members, which may be forms.
  explicit WidgetTest(int lineHeight = 14, int charWidth = 7) : metrics_(lineHeight, charWidth) {
    ui::Application::ForTests();
  }
  void SetUp() override {
    driver_ = std::make_unique<ui::TestDriver>([](const std::string& m) { ADD_FAILURE() << m; });
    look_ = std::make_unique<TViewProperties>(&metrics_);
    ViewProperties = look_.get();
  }
  void TearDown() override {
    driver_->ProcessEvents();
    driver_.reset();
    ViewProperties = nullptr;
    look_.reset();
  }
  ui::TestDriver& Driver() { return *driver_; }
  TViewProperties& Look() { return *look_; }

 private:
  ui::FakeFontMetrics metrics_;
  std::unique_ptr<ui::TestDriver> driver_;
  std::unique_ptr<TViewProperties> look_;
};
