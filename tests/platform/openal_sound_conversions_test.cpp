#include <gtest/gtest.h>

#include "platform/desktop/sound_conversions.h"

namespace veltro::platform::desktop {
namespace {

TEST(OpenAlSoundConversionsTest, VolumeAndFrequency) {
  EXPECT_FLOAT_EQ(VolumeToGain(0), 1.0f);
  EXPECT_NEAR(VolumeToGain(-600), 0.501f, 0.001f);
  EXPECT_NEAR(VolumeToGain(-2000), 0.1f, 1e-6f);
  EXPECT_EQ(VolumeToGain(-10000), 0.0f);  // DirectSound's silence is silent
  EXPECT_EQ(VolumeToGain(-20000), 0.0f);
  EXPECT_FLOAT_EQ(VolumeToGain(300), 1.0f);

  EXPECT_FLOAT_EQ(FrequencyToPitch(0, 22050), 1.0f);  // the data's own rate
  EXPECT_FLOAT_EQ(FrequencyToPitch(44100, 22050), 2.0f);
  EXPECT_FLOAT_EQ(FrequencyToPitch(11025, 44100), 0.25f);
  EXPECT_GT(FrequencyToPitch(1, 200000), 0.0f);  // never a pitch OpenAL refuses
  EXPECT_LE(FrequencyToPitch(200000, 100), 255.0f);
}

TEST(OpenAlSoundConversionsTest, PanPlacementIsSymmetricRisingAndRaisesTheGain) {
  const PanPlacement centre = PanToPlacement(0);
  EXPECT_EQ(centre.angle_degrees, 0.0f);
  EXPECT_NEAR(centre.gain, 1.677f, 0.01f);  // OpenAL's centre is 4.5 dB below full per channel
  float previous_angle = 0;
  for (int pan = 100; pan <= 10000; pan += 100) {
    SCOPED_TRACE(pan);
    const PanPlacement right = PanToPlacement(pan), left = PanToPlacement(-pan);
    EXPECT_FLOAT_EQ(left.angle_degrees, -right.angle_degrees);
    EXPECT_FLOAT_EQ(left.gain, right.gain);
    EXPECT_GE(right.angle_degrees, previous_angle);
    EXPECT_LE(right.angle_degrees, 60.0f);
    EXPECT_GE(right.gain, 1.0f);
    previous_angle = right.angle_degrees;
  }
  EXPECT_EQ(PanToPlacement(10000).angle_degrees, 60.0f);  // far channel silent

  const Vector3 openal = ToOpenAlAxes({1, 2, 3});
  EXPECT_EQ(openal.x, 1);
  EXPECT_EQ(openal.y, 2);
  EXPECT_EQ(openal.z, -3);
}

}  // namespace
}  // namespace veltro::platform::desktop
