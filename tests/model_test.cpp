#include <gtest/gtest.h>

#include "model/sections.h"

TEST(Placeholder, Builds) { EXPECT_EQ(vantedit::kColumnCount, 56); }
