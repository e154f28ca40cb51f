// Asynchronous requests through libOvilex.so, loaded and called through its exports as a script
// does, against the local test services: throughput beside plain libcurl, the cost of one poll
// as the registry grows, the latency of creating a request and the memory that each request in
// flight takes, and how fast a whole reply is read in pieces. Prints tables; run it through
// ./benchmarks/run.sh, which starts the services.
//
//   request_benchmark STATEFILE        all tables (STATEFILE as written by services.py start)
//   request_benchmark poll N           one poll-cost figure, in a process of its own
//   request_benchmark memory PORT      the memory figures, in a process of its own
//
// The last two exist because a registry starts empty only in a fresh process: once the library
// has started threads it stays mapped, so unloading and reloading it keeps the old registry.
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "curl_baseline.h"
#include "platform/loaded_library.h"
#include "service-client/export_frame.h"

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kTimeoutMs = 30000;
constexpr const char* kHelloBody = "Hello, world";

// The request exports, resolved once.
struct Exports {
  using Create = int OV_STDCALL(const char*, int, int);
  using ById = int OV_STDCALL(int);
  using Release = void OV_STDCALL(int);
  using Read = int OV_STDCALL(int, char*, int, int);
  using ReadWide = int OV_STDCALL(int, ScriptWideChar*, int, int);
  using ReadBytes = int OV_STDCALL(int, unsigned char*, int, int);

  explicit Exports(const LoadedLibrary& library)
      : create(library.Function<Create>("ov_createAsynchRequest")),
        release(library.Function<Release>("ov_destroyAsynchRequest")),
        isComplete(library.Function<ById>("ov_isAsynchRequestComplete")),
        errorCode(library.Function<ById>("ov_getErrorCode")),
        response(library.Function<Read>("ov_getAsynchResponse")),
        responseWide(library.Function<ReadWide>("ov_getAsynchResponseW")),
        responseBytes(library.Function<ReadBytes>("ov_getResponseBytes")) {}

  Create* create;
  Release* release;
  ById* isComplete;
  ById* errorCode;
  Read* response;
  ReadWide* responseWide;
  ReadBytes* responseBytes;

  int CreateOrThrow(const std::string& url) const {
    const int id = create(url.c_str(), kTimeoutMs, kTimeoutMs);
    if (id < 1) throw std::runtime_error("ov_createAsynchRequest failed for " + url);
    return id;
  }
};

// Polls like a script: sweeps all ids, sleeps a millisecond when none has completed yet.
void WaitUntilComplete(const Exports& ov, const std::vector<int>& ids) {
  for (std::size_t done = 0; done < ids.size();) {
    done = std::count_if(ids.begin(), ids.end(), [&](int id) { return ov.isComplete(id) == 1; });
    if (done < ids.size()) std::this_thread::sleep_for(1ms);
  }
}

void RequireErrorCode(const Exports& ov, int id, int expected) {
  const int code = ov.errorCode(id);
  if (code != expected) {
    throw std::runtime_error("request " + std::to_string(id) + " ended with error code " +
                             std::to_string(code));
  }
}

void RequireHello(const Exports& ov, int id) {
  RequireErrorCode(ov, id, -1);
  char buffer[64];
  const int length = ov.response(id, buffer, 0, sizeof(buffer) - 1);
  if (std::string(buffer, std::max(length, 0)) != kHelloBody) {
    throw std::runtime_error("request " + std::to_string(id) + " brought a wrong body");
  }
}

double Median(std::vector<double> values) {
  std::nth_element(values.begin(), values.begin() + values.size() / 2, values.end());
  return values[values.size() / 2];
}

double Percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  const auto rank = static_cast<std::size_t>(std::ceil(fraction * values.size()));
  return values[std::clamp<std::size_t>(rank, 1, values.size()) - 1];
}

// --- Throughput -------------------------------------------------------------------------------

constexpr int kThroughputGets = 2000;
constexpr int kInFlight = 32;
constexpr int kThroughputRuns = 3;

// `total` GETs with `inFlight` of them running at any time.
void OursGets(const Exports& ov, const std::string& url, int total, int inFlight) {
  std::vector<int> slots;
  int started = 0;
  for (; started < std::min(total, inFlight); ++started) slots.push_back(ov.CreateOrThrow(url));
  for (int finished = 0; finished < total;) {
    bool anyComplete = false;
    for (int& id : slots) {
      if (id == 0 || ov.isComplete(id) != 1) continue;
      RequireHello(ov, id);
      ov.release(id);
      ++finished;
      anyComplete = true;
      id = 0;
      if (started < total) {
        id = ov.CreateOrThrow(url);
        ++started;
      }
    }
    if (!anyComplete) std::this_thread::sleep_for(1ms);
  }
}

std::chrono::duration<double, std::micro> ProcessCpuTime() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return std::chrono::seconds(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         std::chrono::microseconds(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec);
}

struct Throughput {
  double requestsPerSecond;
  // Of this whole process, user and system: what the client side costs, whatever the server
  // manages.
  double cpuMicrosPerRequest;
};

Throughput MeasureGets(int total, const std::function<void()>& gets) {
  const auto cpuStart = ProcessCpuTime();
  const auto start = Clock::now();
  gets();
  const std::chrono::duration<double> elapsed = Clock::now() - start;
  return {total / elapsed.count(), (ProcessCpuTime() - cpuStart).count() / total};
}

Throughput MedianThroughput(const std::vector<Throughput>& runs) {
  std::vector<double> rates, cpu;
  for (const Throughput& run : runs) {
    rates.push_back(run.requestsPerSecond);
    cpu.push_back(run.cpuMicrosPerRequest);
  }
  return {Median(rates), Median(cpu)};
}

struct ThroughputPair {
  Throughput ours, plain;
};

// Both sides in turn, after one short warm-up each, so that drifts of the machine hit both.
ThroughputPair MeasureThroughput(const Exports& ov, const std::string& url) {
  const auto ours = [&](int total) {
    return MeasureGets(total, [&] { OursGets(ov, url, total, kInFlight); });
  };
  const auto plain = [&](int total) {
    return MeasureGets(total, [&] { PlainCurlGets(url, kHelloBody, total, kInFlight); });
  };
  ours(kInFlight * 4);
  plain(kInFlight * 4);
  std::vector<Throughput> oursRuns, plainRuns;
  for (int run = 0; run < kThroughputRuns; ++run) {
    oursRuns.push_back(ours(kThroughputGets));
    plainRuns.push_back(plain(kThroughputGets));
  }
  return {MedianThroughput(oursRuns), MedianThroughput(plainRuns)};
}

// --- Poll cost --------------------------------------------------------------------------------

constexpr int kPollCalls = 200000;
constexpr int kPollBatch = 1000;
constexpr int kFillChunk = 1000;
// Steps through the ids in an order that touches all of them; coprime to every record count.
constexpr long long kIdStride = 7919;

// `records` complete, unreleased records that never touched the network: the library refuses
// the upper-case scheme at once.
std::vector<int> FillRegistry(const Exports& ov, int records) {
  std::vector<int> ids;
  ids.reserve(records);
  while (static_cast<int>(ids.size()) < records) {
    std::vector<int> chunk;
    for (int i = 0; i < kFillChunk && ids.size() + chunk.size() < std::size_t(records); ++i) {
      chunk.push_back(ov.CreateOrThrow("HTTPS://x/"));
    }
    WaitUntilComplete(ov, chunk);  // keeps the short-lived threads from piling up
    ids.insert(ids.end(), chunk.begin(), chunk.end());
  }
  for (int id : ids) RequireErrorCode(ov, id, 0);
  return ids;
}

// Median nanoseconds of one ov_isAsynchRequestComplete, asking for `idAt(call)`.
double MedianPollNanoseconds(const Exports& ov, const std::function<int(long long)>& idAt) {
  std::vector<double> perCall;
  long long call = 0;
  int completeAnswers = 0;
  for (int batch = 0; batch < kPollCalls / kPollBatch; ++batch) {
    const auto start = Clock::now();
    for (int i = 0; i < kPollBatch; ++i, ++call) completeAnswers += ov.isComplete(idAt(call));
    const std::chrono::duration<double, std::nano> elapsed = Clock::now() - start;
    perCall.push_back(elapsed.count() / kPollBatch);
  }
  if (completeAnswers != kPollCalls) throw std::runtime_error("a filled record was not complete");
  return Median(perCall);
}

// With `records` records registered: the poll cost with ids spread over all of them, and with
// one id asked again and again, whose record stays in the processor's caches.
std::vector<double> MeasurePollCost(int records) {
  LoadedLibrary library(OVILEX_PATH);
  const Exports ov(library);
  const std::vector<int> ids = FillRegistry(ov, records);
  const double spread =
      MedianPollNanoseconds(ov, [&](long long call) { return ids[call * kIdStride % records]; });
  const double repeated = MedianPollNanoseconds(ov, [&](long long) { return ids[records / 2]; });
  return {spread, repeated};
}

// --- Creation latency -------------------------------------------------------------------------

constexpr int kCreations = 2000;
constexpr int kCreationBatch = 200;

// CPU time of the calling thread: unlike the wall clock, it leaves out the time the thread waits
// for a processor, for example while the threads it has just started run.
std::chrono::duration<double, std::micro> ThreadCpuTime() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return std::chrono::seconds(now.tv_sec) + std::chrono::nanoseconds(now.tv_nsec);
}

struct CreateTimes {
  std::vector<double> wallMicros, cpuMicros;
};

// The time of each ov_createAsynchRequest; every batch ends before the next starts.
CreateTimes MeasureCreateTimes(const Exports& ov, const std::string& url) {
  CreateTimes times;
  for (int batch = 0; batch < kCreations / kCreationBatch; ++batch) {
    std::vector<int> ids;
    for (int i = 0; i < kCreationBatch; ++i) {
      const auto cpuStart = ThreadCpuTime();
      const auto start = Clock::now();
      ids.push_back(ov.CreateOrThrow(url));
      times.wallMicros.push_back(
          std::chrono::duration<double, std::micro>(Clock::now() - start).count());
      times.cpuMicros.push_back((ThreadCpuTime() - cpuStart).count());
    }
    WaitUntilComplete(ov, ids);
    for (int id : ids) {
      RequireErrorCode(ov, id, -1);
      ov.release(id);
    }
  }
  return times;
}

// --- Memory per request in flight -------------------------------------------------------------

constexpr int kMemoryRequests = 500;

struct MemoryUse {
  double residentKiB, addressSpaceKiB;
};

MemoryUse ReadMemoryUse() {
  std::ifstream statm("/proc/self/statm");
  long long size = 0, resident = 0;
  if (!(statm >> size >> resident)) throw std::runtime_error("cannot read /proc/self/statm");
  const double pageKiB = sysconf(_SC_PAGESIZE) / 1024.0;
  return {resident * pageKiB, size * pageKiB};
}

// KiB of resident memory and of address space per request while `kMemoryRequests` wait on the
// server; the sample is taken once all of them have had time to connect.
MemoryUse MemoryPerRequest(const Exports& ov, const std::string& url) {
  const MemoryUse before = ReadMemoryUse();
  std::vector<int> ids;
  for (int i = 0; i < kMemoryRequests; ++i) ids.push_back(ov.CreateOrThrow(url));
  std::this_thread::sleep_for(1s);
  const MemoryUse during = ReadMemoryUse();
  if (std::any_of(ids.begin(), ids.end(), [&](int id) { return ov.isComplete(id) == 1; })) {
    throw std::runtime_error("a slow request ended before the memory sample");
  }
  WaitUntilComplete(ov, ids);
  for (int id : ids) {
    RequireErrorCode(ov, id, -1);
    ov.release(id);
  }
  std::this_thread::sleep_for(200ms);  // lets the finished threads exit
  return {(during.residentKiB - before.residentKiB) / kMemoryRequests,
          (during.addressSpaceKiB - before.addressSpaceKiB) / kMemoryRequests};
}

// The first round in a fresh process, then a second one that finds the allocator warm.
std::vector<double> MeasureMemory(int port) {
  LoadedLibrary library(OVILEX_PATH);
  const Exports ov(library);
  const std::string base = "http://127.0.0.1:" + std::to_string(port);
  const std::vector<int> first = {ov.CreateOrThrow(base + "/hello")};  // libcurl's own set-up
  WaitUntilComplete(ov, first);
  RequireHello(ov, first[0]);
  ov.release(first[0]);
  const std::string slow = base + "/slow?ms=3000";
  const MemoryUse cold = MemoryPerRequest(ov, slow);
  const MemoryUse warm = MemoryPerRequest(ov, slow);
  return {cold.residentKiB, cold.addressSpaceKiB, warm.residentKiB, warm.addressSpaceKiB};
}

// --- Child processes --------------------------------------------------------------------------

std::string ShellQuoted(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct PipeCloser {
  void operator()(FILE* pipe) const { pclose(pipe); }
};

// Runs this program with `arguments` (and `environment`, NAME=VALUE) and returns the numbers it
// prints.
std::vector<double> RunChild(const std::string& arguments, const std::string& environment = "") {
  const std::string self = std::filesystem::read_symlink("/proc/self/exe").string();
  const std::string command = environment + " " + ShellQuoted(self) + " " + arguments;
  std::fflush(nullptr);
  std::unique_ptr<FILE, PipeCloser> pipe(popen(command.c_str(), "r"));
  if (!pipe) throw std::runtime_error("cannot start " + self);
  std::vector<double> values;
  for (double value; std::fscanf(pipe.get(), "%lf", &value) == 1;) values.push_back(value);
  if (pclose(pipe.release()) != 0 || values.empty()) {
    throw std::runtime_error("child failed: " + arguments);
  }
  return values;
}

// --- Reading a reply in pieces ---------------------------------------------------------------

constexpr int kBodyBytes = 8 << 20;  // ASCII, declared text/plain: the UTF-8 path of the W reader
constexpr int kPieceUnits = 4096;
constexpr int kReadRuns = 5;

// Median MB/s of reading the whole body of `id` with `reader`, in pieces as a script does.
template <typename Char>
double MeasureReading(int OV_STDCALL (*reader)(int, Char*, int, int), int id) {
  std::vector<Char> buffer(kPieceUnits + 1);
  std::vector<double> rates;
  for (int run = 0; run < kReadRuns; ++run) {
    const auto start = Clock::now();
    int offset = 0;
    for (int read = kPieceUnits; read == kPieceUnits; offset += read) {
      read = reader(id, buffer.data(), offset, kPieceUnits);
    }
    if (offset != kBodyBytes) throw std::runtime_error("the body was read short");
    const std::chrono::duration<double> seconds = Clock::now() - start;
    rates.push_back(kBodyBytes / 1e6 / seconds.count());
  }
  return Median(rates);
}

struct ReadingRates {
  double narrow, wide, bytes;
};

ReadingRates MeasureReadingRates(const Exports& ov, const std::string& url) {
  const int id = ov.CreateOrThrow(url);
  WaitUntilComplete(ov, {id});
  RequireErrorCode(ov, id, -1);
  const ReadingRates rates{MeasureReading(ov.response, id), MeasureReading(ov.responseWide, id),
                           MeasureReading(ov.responseBytes, id)};
  ov.release(id);
  return rates;
}

// --- Tables -----------------------------------------------------------------------------------

void PrintThroughput(const ThroughputPair& result) {
  std::printf("\n| %-44s | %10s | %13s | %10s |\n",
              "2000 GETs of /hello, 32 in flight, median of 3", "ours", "plain libcurl",
              "ours/plain");
  std::printf("|%s|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(12, '-').c_str(),
              std::string(15, '-').c_str(), std::string(12, '-').c_str());
  const Throughput &ours = result.ours, &plain = result.plain;
  std::printf("| %-44s | %10.0f | %13.0f | %10.2f |\n", "requests/s", ours.requestsPerSecond,
              plain.requestsPerSecond, ours.requestsPerSecond / plain.requestsPerSecond);
  std::printf("| %-44s | %10.0f | %13.0f | %10.2f |\n", "client CPU us per request",
              ours.cpuMicrosPerRequest, plain.cpuMicrosPerRequest,
              ours.cpuMicrosPerRequest / plain.cpuMicrosPerRequest);
}

void PrintPollCost(const std::vector<int>& sizes,
                   const std::vector<std::vector<double>>& nanoseconds) {
  std::printf("\n| %-44s | %10s | %10s |\n", "ov_isAsynchRequestComplete, median ns", "ids spread",
              "one id");
  std::printf("|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(12, '-').c_str(),
              std::string(12, '-').c_str());
  for (std::size_t i = 0; i < sizes.size(); ++i) {
    const std::string records = std::to_string(sizes[i]) + " complete records";
    std::printf("| %-44s | %10.0f | %10.0f |\n", records.c_str(), nanoseconds[i].at(0),
                nanoseconds[i].at(1));
  }
}

void PrintCreateTimes(const CreateTimes& times) {
  std::printf("\n| %-44s | %10s | %10s |\n", "ov_createAsynchRequest, 2000 calls to /slow",
              "median us", "p99 us");
  std::printf("|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(12, '-').c_str(),
              std::string(12, '-').c_str());
  std::printf("| %-44s | %10.1f | %10.1f |\n", "wall clock", Median(times.wallMicros),
              Percentile(times.wallMicros, 0.99));
  std::printf("| %-44s | %10.1f | %10.1f |\n", "CPU time of the calling thread",
              Median(times.cpuMicros), Percentile(times.cpuMicros, 0.99));
}

void PrintMemory(const std::vector<double>& kib) {
  std::printf("\n| %-44s | %10s | %13s |\n", "500 requests in flight, KiB per request", "resident",
              "address space");
  std::printf("|%s|%s|%s|\n", std::string(46, '-').c_str(), std::string(12, '-').c_str(),
              std::string(15, '-').c_str());
  std::printf("| %-44s | %10.1f | %13.1f |\n", "first 500, fresh process, new malloc arenas",
              kib.at(0), kib.at(1));
  std::printf("| %-44s | %10.1f | %13.1f |\n", "next 500", kib.at(2), kib.at(3));
}

void PrintReadingRates(const ReadingRates& rates) {
  std::printf("\n| %-44s | %10s |\n", "an 8 MiB reply read in pieces of 4096", "MB/s");
  std::printf("|%s|%s|\n", std::string(46, '-').c_str(), std::string(12, '-').c_str());
  std::printf("| %-44s | %10.0f |\n", "ov_getAsynchResponse (8-bit)", rates.narrow);
  std::printf("| %-44s | %10.0f |\n", "ov_getAsynchResponseW (UTF-8 decoded)", rates.wide);
  std::printf("| %-44s | %10.0f |\n", "ov_getResponseBytes", rates.bytes);
}

int HttpPort(const std::string& stateFile) {
  std::ifstream state(stateFile);
  for (std::string line; std::getline(state, line);) {
    if (line.starts_with("http_port=")) return std::stoi(line.substr(10));
  }
  throw std::runtime_error("no http_port in " + stateFile);
}

// The children run first, so that none of this process's own requests runs beside them.
void RunAll(const std::string& stateFile) {
  const std::string port = std::to_string(HttpPort(stateFile));
  const std::vector<int> sizes = {1000, 10000, 100000};
  std::vector<std::vector<double>> pollNanoseconds;
  for (int size : sizes) pollNanoseconds.push_back(RunChild("poll " + std::to_string(size)));
  // Without glibc's cache of thread stacks, stacks of ended threads would otherwise be counted
  // before the sample and reused during it.
  const std::vector<double> memory =
      RunChild("memory " + port, "GLIBC_TUNABLES=glibc.pthread.stack_cache_size=0");

  LoadedLibrary library(OVILEX_PATH);
  const Exports ov(library);
  const std::string base = "http://127.0.0.1:" + port;
  const ThroughputPair throughput = MeasureThroughput(ov, base + "/hello");
  const CreateTimes createTimes = MeasureCreateTimes(ov, base + "/slow?ms=2000");
  const ReadingRates reading =
      MeasureReadingRates(ov, base + "/body?size=" + std::to_string(kBodyBytes));

  PrintThroughput(throughput);
  PrintPollCost(sizes, pollNanoseconds);
  PrintCreateTimes(createTimes);
  PrintMemory(memory);
  PrintReadingRates(reading);
}

int Run(const std::vector<std::string>& args) {
  if (args.size() == 1) {
    RunAll(args[0]);
  } else if (args.size() == 2 && args[0] == "poll") {
    for (double nanoseconds : MeasurePollCost(std::stoi(args[1]))) {
      std::printf("%.3f\n", nanoseconds);
    }
  } else if (args.size() == 2 && args[0] == "memory") {
    for (double kib : MeasureMemory(std::stoi(args[1]))) std::printf("%.3f\n", kib);
  } else {
    std::fprintf(stderr, "usage: request_benchmark STATEFILE | poll N | memory PORT\n");
    return 2;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Run(std::vector<std::string>(argv + 1, argv + argc));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "request_benchmark: %s\n", error.what());
    return 1;
  }
}
