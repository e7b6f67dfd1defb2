// Platform seam: the operating system's version as major * 10 + minor
// (GetVersion on Windows). Systems before 6.0 get a 1280 x 768 window.
#pragma once

int OsVersionTimesTen();
