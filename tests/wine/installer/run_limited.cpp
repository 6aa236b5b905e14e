// run_limited: runs a command line as an administrator's standard-user
// token would: the Administrators group disabled (kept for deny only), as
// Windows gives a member of that group who has not elevated. Waits for the
// program and exits with its exit code (255 when it could not be started).
//
//   run_limited PROGRAM [ARGS...]
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: run_limited PROGRAM [ARGS...]\n");
    return 255;
  }
  std::string commandLine;
  for (int a = 1; a < argc; ++a) {
    // Arguments are passed as they came; only those with blanks are quoted
    // (setup takes /S only unquoted).
    const bool quote = std::strchr(argv[a], ' ') != nullptr;
    if (a > 1) commandLine += ' ';
    if (quote) commandLine += '"';
    commandLine += argv[a];
    if (quote) commandLine += '"';
  }

  SID_IDENTIFIER_AUTHORITY ntAuthority = SECURITY_NT_AUTHORITY;
  PSID administrators = nullptr;
  HANDLE token = nullptr, limited = nullptr;
  if (!AllocateAndInitializeSid(&ntAuthority, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0,
                                0, 0, 0, &administrators) ||
      !OpenProcessToken(GetCurrentProcess(), TOKEN_ALL_ACCESS, &token)) {
    std::fprintf(stderr, "run_limited: no token (%lu)\n", GetLastError());
    return 255;
  }
  SID_AND_ATTRIBUTES disabled = {administrators, 0};
  if (!CreateRestrictedToken(token, 0, 1, &disabled, 0, nullptr, 0, nullptr, &limited)) {
    std::fprintf(stderr, "run_limited: CreateRestrictedToken failed (%lu)\n", GetLastError());
    return 255;
  }
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessAsUserA(limited, nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                            &startup, &process)) {
    std::fprintf(stderr, "run_limited: cannot start %s (%lu)\n", commandLine.c_str(), GetLastError());
    return 255;
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD exitCode = 255;
  GetExitCodeProcess(process.hProcess, &exitCode);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  CloseHandle(limited);
  CloseHandle(token);
  FreeSid(administrators);
  return static_cast<int>(exitCode);
}
