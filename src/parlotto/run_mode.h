// What the program was started to do; chosen once from the command line.
#pragma once

#include <cstdint>

namespace parlotto {

enum TRunMode : std::uint8_t {
  rmNone = 0,
  rmClipboard = 1,
  rmTextFile = 2,
  rmBrowserWindow = 3,
  rmAutomation = 4,
  rmCommandLineText = 5,
  rmWebPage = 6,
  rmWordDocument = 7,
  rmPdfDocument = 8,
  // The reading service on the session bus: reads what its callers ask for
  // and ends a while after the last reading.
  rmService = 9,
};

}  // namespace parlotto
