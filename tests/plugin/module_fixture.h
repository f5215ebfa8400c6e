// The built module loaded through the host library, as a host loads it: shared by every test
// that drives quorvantel.so through its binary interface.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/lib/plugin_host.h"

// Loads the module the build made (QV_PLUGIN_PATH); null, with a test failure, when it cannot.
inline std::unique_ptr<qvhost::PluginHost> LoadModule(qvhost::HostScript script = {}) {
  std::string error;
  auto host = qvhost::PluginHost::Load(QV_PLUGIN_PATH, &error, std::move(script));
  EXPECT_NE(host, nullptr) << error;
  return host;
}

// An opened instance of the module; no text reply may overrun its buffer during the test.
class Module : public ::testing::Test {
 protected:
  void SetUp() override {
    host = LoadModule();
    ASSERT_NE(host, nullptr);
    host->Open();
  }
  void TearDown() override {
    if (host) {
      EXPECT_EQ(host->TextOverruns(), 0);
    }
  }
  std::unique_ptr<qvhost::PluginHost> host;
};
