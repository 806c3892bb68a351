#include <gtest/gtest.h>

#include "skin/ResourceImage.h"

TEST(ResourceImage, PlaceholderCompiles) {
}
