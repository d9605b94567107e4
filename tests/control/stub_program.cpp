// Stands in for Levyrun.exe and Tabulon.exe, which the control starts: writes how it was
// started to "<its own path without .exe>.started.txt", as raw ANSI bytes, one item a line:
// the full command line, the arguments after the program name, the working directory.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

int main() {
  const char* command_line = GetCommandLineA();
  // The program name ends at the closing quote when quoted, else at the first blank; one
  // separating blank follows it.
  const char* rest = command_line;
  if (*rest == '"') {
    rest = std::strchr(rest + 1, '"');
    rest = rest ? rest + 1 : command_line + std::strlen(command_line);
  } else {
    while (*rest && *rest != ' ' && *rest != '\t') ++rest;
  }
  if (*rest == ' ' || *rest == '\t') ++rest;

  char self[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, self, MAX_PATH);
  std::string record = self;
  record = record.substr(0, record.size() - 4) + ".started.txt";
  char cwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, cwd);

  FILE* f = std::fopen(record.c_str(), "wb");
  if (!f) return 1;
  std::fprintf(f, "%s\n%s\n%s\n", command_line, rest, cwd);
  std::fclose(f);
  return 0;
}
