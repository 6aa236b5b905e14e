// The identity the Wine scenarios' TWAIN test programs give as the
// application: protocol 1.9, control and image groups, and the program's
// own name, so that a source's log or a message tells which program asked.
#pragma once

#include <cstring>

#include "twain/twain_types.h"

inline TW_IDENTITY testApplicationIdentity(const char* programName) {
  TW_IDENTITY app;
  std::memset(&app, 0, sizeof app);
  app.Version.MajorNum = 1;
  app.Version.Language = 13;  // TWLG_ENGLISH
  app.Version.Country = 1;    // TWCY_USA
  std::strncpy(app.Version.Info, programName, sizeof app.Version.Info - 1);
  app.ProtocolMajor = 1;
  app.ProtocolMinor = 9;
  app.SupportedGroups = DG_CONTROL | DG_IMAGE;
  std::strcpy(app.Manufacturer, "zel tests");
  std::strcpy(app.ProductFamily, "tests");
  std::strncpy(app.ProductName, programName, sizeof app.ProductName - 1);
  return app;
}
