#include "clock/TimeSource.h"

#define GLFW_INCLUDE_NONE
#include <GLFW/glfw3.h>

TimeSource ClockTimeSource = {glfwGetTime, LocalSecondsSinceMidnight, PrefersTwelveHourClock};
