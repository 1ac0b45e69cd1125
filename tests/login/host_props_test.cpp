#include "login/host_props.h"

#include <gtest/gtest.h>

#include "qmz/containers.h"
#include "qmz/error.h"
#include "qmz/host.h"

namespace qmz {
namespace {

TEST(HostPropsTest, DefaultsWithoutDictionaryAndReadersWithOne) {
  EXPECT_TRUE(IsICClosed());
  EXPECT_EQ(GetAppType(), 2);
  EXPECT_EQ(GetIndustryType(), 0);
  EXPECT_EQ(GetHostProp("X", "d").ToText(), "d");
  EXPECT_TRUE(GetHostProp("X").IsEmpty());
  EXPECT_THROW(SetHostProp("X", 1), Error);

  Dictionary properties;
  PublishHostProperties(CurrentProcessId(), &properties);
  properties.Set("ICClosed", false);
  properties.Set("AppType", "4");
  properties.Set("IndustryType", 2);
  EXPECT_FALSE(IsICClosed());
  EXPECT_EQ(GetAppType(), 4);
  EXPECT_EQ(GetIndustryType(), 2);
  SetHostProp("X", "written");
  EXPECT_EQ(properties.Get("X").ToText(), "written");
  EXPECT_EQ(GetHostProp("Absent", 9).ToInt32(), 9);
  WithdrawHostProperties(CurrentProcessId());
}

}  // namespace
}  // namespace qmz
