#pragma once

// The fixture of the file service tests: a fresh current directory, and no
// file the test opened left open after it.

#include <gtest/gtest.h>

#include "services/files.h"
#include "tests/support/temp_directory.h"

class FileTest : public ::testing::Test {
  protected:
    void TearDown() override { closeAllFiles(); }

    TemporaryDirectory directory_;
};
