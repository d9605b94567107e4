// Writes its command line and working directory to started.txt in its working directory.
#include <windows.h>

#include <cstdio>

int main() {
  char cwd[MAX_PATH] = {};
  GetCurrentDirectoryA(MAX_PATH, cwd);
  FILE* f = std::fopen("started.txt", "wb");
  if (!f) return 1;
  std::fprintf(f, "%s\n%s\n", GetCommandLineA(), cwd);
  std::fclose(f);
  return 0;
}
