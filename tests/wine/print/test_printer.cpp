// test_printer: puts a printer into the Wine prefix whose pages come back as
// files, and takes it away again, for the printing checks under Wine. The
// printer uses the platform's PostScript driver with the PPD beside this
// file; its port is a pipe to a command that stores each job. One command
// per run:
//   install PPD PORT NAME   copies the PPD into the printer driver folder,
//                           adds the driver and the printer NAME on PORT
//                           (for a pipe: "|/path/to/command") and makes it
//                           the default printer
//   remove NAME             deletes the printer NAME
//   list                    prints each printer, its port, and the default
// Exit status 0 when the command did what it says.
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char kDriverName[] = "ZEL Test PostScript";

int installPrinter(const char* ppdPath, const char* port, const char* name) {
  char folder[MAX_PATH] = {0};
  DWORD needed = 0;
  if (!GetPrinterDriverDirectoryA(nullptr, nullptr, 1, reinterpret_cast<BYTE*>(folder), sizeof folder, &needed)) {
    std::printf("no printer driver folder (%lu)\n", GetLastError());
    return 1;
  }
  // Version 3 drivers keep their files in the subfolder "3".
  const char* base = std::strrchr(ppdPath, '\\');
  const std::string ppdName = base ? base + 1 : ppdPath;
  const std::string target = std::string(folder) + "\\3\\" + ppdName;
  if (!CopyFileA(ppdPath, target.c_str(), FALSE)) {
    std::printf("cannot copy %s to %s (%lu)\n", ppdPath, target.c_str(), GetLastError());
    return 1;
  }
  DRIVER_INFO_3A driver = {};
  driver.cVersion = 3;
  driver.pName = const_cast<char*>(kDriverName);
  driver.pDriverPath = const_cast<char*>("wineps.drv");
  driver.pDataFile = const_cast<char*>(ppdName.c_str());
  driver.pConfigFile = const_cast<char*>("wineps.drv");
  driver.pDefaultDataType = const_cast<char*>("RAW");
  if (!AddPrinterDriverA(nullptr, 3, reinterpret_cast<BYTE*>(&driver)) && GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
    std::printf("AddPrinterDriver failed (%lu)\n", GetLastError());
    return 1;
  }
  PRINTER_INFO_2A printer = {};
  printer.pPrinterName = const_cast<char*>(name);
  printer.pPortName = const_cast<char*>(port);
  printer.pDriverName = const_cast<char*>(kDriverName);
  printer.pPrintProcessor = const_cast<char*>("WinPrint");
  printer.pDatatype = const_cast<char*>("RAW");
  printer.Attributes = PRINTER_ATTRIBUTE_LOCAL;
  HANDLE added = AddPrinterA(nullptr, 2, reinterpret_cast<BYTE*>(&printer));
  if (!added && GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) {
    std::printf("AddPrinter failed (%lu)\n", GetLastError());
    return 1;
  }
  if (added) ClosePrinter(added);
  if (!SetDefaultPrinterA(name)) {
    std::printf("SetDefaultPrinter failed (%lu)\n", GetLastError());
    return 1;
  }
  return 0;
}

int removePrinter(const char* name) {
  PRINTER_DEFAULTSA access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
  HANDLE printer = nullptr;
  if (!OpenPrinterA(const_cast<char*>(name), &printer, &access)) return 1;
  const BOOL deleted = DeletePrinter(printer);
  ClosePrinter(printer);
  return deleted ? 0 : 1;
}

int listPrinters() {
  DWORD needed = 0, count = 0;
  EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, nullptr, 0, &needed, &count);
  std::vector<BYTE> buffer(needed + 1);
  if (EnumPrintersA(PRINTER_ENUM_LOCAL, nullptr, 2, buffer.data(), needed, &needed, &count)) {
    const PRINTER_INFO_2A* printers = reinterpret_cast<const PRINTER_INFO_2A*>(buffer.data());
    for (DWORD i = 0; i < count; ++i) std::printf("printer %s on %s\n", printers[i].pPrinterName, printers[i].pPortName);
  }
  char name[256] = {0};
  DWORD size = sizeof name;
  if (GetDefaultPrinterA(name, &size)) std::printf("default %s\n", name);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 5 && std::strcmp(argv[1], "install") == 0) return installPrinter(argv[2], argv[3], argv[4]);
  if (argc == 3 && std::strcmp(argv[1], "remove") == 0) return removePrinter(argv[2]);
  if (argc == 2 && std::strcmp(argv[1], "list") == 0) return listPrinters();
  std::printf("usage: test_printer install PPD PORT NAME | remove NAME | list\n");
  return 2;
}
