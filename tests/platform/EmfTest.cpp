#include "platform/emf/EmfDevice.h"

#include <gtest/gtest.h>

#include <QPainter>

namespace platform {
namespace {

TEST(EmfDevice, HasTheSizeItWasMadeWith) {
  EmfDevice device(300, 200);
  EXPECT_EQ(device.width(), 300);
  EXPECT_EQ(device.height(), 200);
}

}  // namespace
}  // namespace platform
