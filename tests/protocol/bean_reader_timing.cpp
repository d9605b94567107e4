// Times the reader on MSXML for a result document of 10,000 module rows: the Windows
// counterpart of bean_reader_bench (run it with scripts/wine-run). COM is initialised on
// the thread first, as on the loader's main thread, and one read warms up.
//   bean_reader_timing [rows] [runs]
#include <windows.h>
#include <objbase.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "bean_documents.h"
#include "protocol/xml_bean_parser.h"

// CPU time of the calling thread so far, in milliseconds (less disturbed by a busy machine
// than the elapsed time).
double ThreadCpuMs() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  auto ms = [](const FILETIME& t) { return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) / 1e4; };
  return ms(kernel) + ms(user);
}

int main(int argc, char** argv) {
  const int rows = argc > 1 ? std::atoi(argv[1]) : 10000;
  const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const std::u16string text = tabulon::testing::ModuleRowsDocument(rows);
  std::vector<double> cpu;
  auto read = [&] {
    const double c0 = ThreadCpuMs();
    auto t0 = std::chrono::steady_clock::now();
    auto bean = tabulon::TXMLBeanParser::ParseXml(text);
    auto t1 = std::chrono::steady_clock::now();
    cpu.push_back(ThreadCpuMs() - c0);
    if (!bean.ok()) {
      std::printf("read failed: %s\n", bean.status().ToString().c_str());
      std::exit(1);
    }
    return std::chrono::duration<double, std::milli>(t1 - t0).count();
  };
  read();
  cpu.clear();
  std::vector<double> times;
  for (int i = 0; i < runs; ++i) times.push_back(read());
  std::sort(times.begin(), times.end());
  std::sort(cpu.begin(), cpu.end());
  std::printf("%d rows, %zu KiB of UTF-16: median %.1f ms (thread CPU %.1f ms), min %.1f ms, max %.1f ms over %d runs\n",
              rows, text.size() * 2 / 1024, times[times.size() / 2], cpu[cpu.size() / 2], times.front(), times.back(),
              runs);
  // The DOM's share: loading the text alone.
  std::vector<double> loads;
  tabulon::TXMLParser parser;
  for (int i = 0; i < runs; ++i) {
    auto t0 = std::chrono::steady_clock::now();
    tabulon::Status status = parser.Load(text);
    auto t1 = std::chrono::steady_clock::now();
    if (!status.ok()) {
      std::printf("load failed: %s\n", status.ToString().c_str());
      return 1;
    }
    loads.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
  }
  std::sort(loads.begin(), loads.end());
  std::printf("loading the text alone: median %.1f ms\n", loads[loads.size() / 2]);
  CoUninitialize();
  return 0;
}
