#include <gtest/gtest.h>
#include "ExtractPass.h"
TEST(Placeholder, Builds) { EXPECT_TRUE(IsConfinedName("a/b")); }
