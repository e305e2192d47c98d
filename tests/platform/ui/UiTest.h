#pragma once
// What the UI layer's tests share: the offscreen application and a test driver whose
// failures (unscripted boxes and modal runs) fail the running test.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/ui/Application.h"
#include "platform/ui/TestDriver.h"

class UiTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ui::Application::ForTests();
    driver_ = std::make_unique<ui::TestDriver>([](const std::string& m) { ADD_FAILURE() << m; });
  }
  void TearDown() override {
    driver_->ProcessEvents();
    driver_.reset();
  }
  ui::TestDriver& Driver() { return *driver_; }

 private:
  std::unique_ptr<ui::TestDriver> driver_;
};
