#include "bench/LoadReport.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <optional>
#include <set>

#include "framework/Text.h"

namespace qgen::bench {

namespace {

const CaseFigures* Find(const std::vector<CaseFigures>& all, const std::string& db, Method method,
                        int processes) {
  for (const CaseFigures& f : all) {
    if (f.db == db && f.method == method && f.processes == processes)
      return &f;
  }
  return nullptr;
}

// A target measured on one database: the figure, and whether it is met.
struct Judged {
  std::string figure;
  bool met = false;
};

// A target of the generator's figures, with its bound on each database.
struct Target {
  const char* promise;  // printed with "%s" standing for the bound
  double sqlite_bound;
  double postgres_bound;
  // Nothing when the run did not measure it (a case missing).
  std::function<std::optional<Judged>(const std::vector<CaseFigures>&, const std::string& db,
                                      double bound)>
      judge;
};

// The worst of a figure over the generator's cases of one database.
std::optional<Judged> Worst(const std::vector<CaseFigures>& all, const std::string& db,
                            double bound, const std::function<double(const CaseFigures&)>& of) {
  std::optional<double> worst;
  for (const CaseFigures& f : all) {
    if (f.db == db && f.method == Method::Generator)
      worst = std::max(worst.value_or(0), of(f));
  }
  if (!worst)
    return std::nullopt;
  return Judged{Format("%.3f", *worst), *worst <= bound};
}

const std::vector<Target>& Targets() {
  static const std::vector<Target> targets = {
      {"no duplicate, gap or failed draw in any case", 0, 0,
       [](const std::vector<CaseFigures>& all, const std::string& db, double) {
         long long dirty = 0;
         for (const CaseFigures& f : all)
           dirty += f.db == db && f.method == Method::Generator && !f.Clean() ? 1 : 0;
         return std::optional<Judged>(Judged{Format("%lld cases not clean", dirty), dirty == 0});
       }},
      {"busy notices per 1000 values at most %s (every case)", 1, 1,
       [](const std::vector<CaseFigures>& all, const std::string& db, double bound) {
         return Worst(all, db, bound,
                      [](const CaseFigures& f) { return 1000 * f.PerValue(f.notices); });
       }},
      {"attempts per value at most %s (every case)", 1.05, 1.05,
       [](const std::vector<CaseFigures>& all, const std::string& db, double bound) {
         return Worst(all, db, bound, [](const CaseFigures& f) { return f.PerValue(f.attempts); });
       }},
      {"1 process: values/s at least %s x the counter's", 0.5, 0.45,
       [](const std::vector<CaseFigures>& all, const std::string& db, double bound) {
         const CaseFigures* one = Find(all, db, Method::Generator, 1);
         if (!one)
           return std::optional<Judged>();
         return std::optional<Judged>(Judged{Format("%.2f", one->ratio), one->ratio >= bound});
       }},
      {"16 processes: values/s at least %s x its own at 1 process", 1, 1,
       [](const std::vector<CaseFigures>& all, const std::string& db, double bound) {
         const CaseFigures* one = Find(all, db, Method::Generator, 1);
         const CaseFigures* many = Find(all, db, Method::Generator, 16);
         if (!one || !many || one->rate <= 0)
           return std::optional<Judged>();
         const double kept = many->rate / one->rate;
         return std::optional<Judged>(Judged{Format("%.2f", kept), kept >= bound});
       }},
      {"16 processes: slowest value at most %s x the counter's slowest", 1, 5,
       [](const std::vector<CaseFigures>& all, const std::string& db, double bound) {
         const CaseFigures* ours = Find(all, db, Method::Generator, 16);
         const CaseFigures* counter = Find(all, db, Method::Counter, 16);
         if (!ours || !counter || counter->max_ms <= 0)
           return std::optional<Judged>();
         const double times = ours->max_ms / counter->max_ms;
         return std::optional<Judged>(
             Judged{Format("%.1f ms / %.1f ms = %.2f", ours->max_ms, counter->max_ms, times),
                    times <= bound});
       }},
  };
  return targets;
}

}  // namespace

double CaseFigures::PerValue(long long count) const {
  return values > 0 ? static_cast<double>(count) / static_cast<double>(values) : 0;
}

void PrintCase(const CaseFigures& f) {
  std::printf(
      "%-10s %2d  %-8s %7lld values %7.2f s %9.1f/s  x%-5.2f p50 %7.3f ms  p99 %8.3f ms"
      "  max %8.1f ms  dup %lld gaps %lld err %lld",
      f.db.c_str(), f.processes, MethodName(f.method), f.values, f.seconds, f.rate, f.ratio,
      f.p50_ms, f.p99_ms, f.max_ms, f.sequence.duplicates, f.sequence.gaps, f.errors);
  if (f.method == Method::Generator) {
    std::printf("  attempts/value %.3f pauses/value %.3f busy notices %lld", f.PerValue(f.attempts),
                f.PerValue(f.pauses), f.notices);
  }
  std::printf("  load %s\n", f.load.c_str());
  std::fflush(stdout);
}

void PrintTable(const std::vector<CaseFigures>& all) {
  std::printf(
      "\n| database | processes | method | values | values/s | x counter | p50 ms | p99 ms | "
      "max ms | attempts/value | busy notices | duplicates | gaps | errors | load average |\n");
  std::printf("|---|---:|---|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---:|---|\n");
  for (const CaseFigures& f : all) {
    const bool ours = f.method == Method::Generator;
    std::printf(
        "| %s | %d | %s | %lld | %.0f | %.2f | %.3f | %.3f | %.1f | %s | %s | %lld | %lld | %lld "
        "| %s |\n",
        f.db.c_str(), f.processes, MethodName(f.method), f.values, f.rate, f.ratio, f.p50_ms,
        f.p99_ms, f.max_ms, ours ? Format("%.3f", f.PerValue(f.attempts)).c_str() : "",
        ours ? std::to_string(f.notices).c_str() : "", f.sequence.duplicates, f.sequence.gaps,
        f.errors, f.load.c_str());
  }
  std::printf("\nDurability:");
  std::set<std::string> seen;
  for (const CaseFigures& f : all) {
    const std::string line = f.db + " " + MethodName(f.method) + ": " + f.settings;
    if (seen.insert(line).second)
      std::printf("\n  %s", line.c_str());
  }
  std::printf("\n");
}

bool PrintTargets(const std::vector<CaseFigures>& all) {
  std::printf("\nTargets (TGenerator):\n");
  bool met = true;
  for (const std::string db : {"sqlite", "postgresql"}) {
    for (const Target& target : Targets()) {
      const double bound = db == "sqlite" ? target.sqlite_bound : target.postgres_bound;
      const std::optional<Judged> judged = target.judge(all, db, bound);
      if (!judged)
        continue;
      met = met && judged->met;
      std::string promise = target.promise;
      const std::size_t at = promise.find("%s");
      if (at != std::string::npos)
        promise.replace(at, 2, Format("%g", bound));
      std::printf("  %-10s %-62s %-28s %s\n", db.c_str(), promise.c_str(), judged->figure.c_str(),
                  judged->met ? "met" : "MISSED");
    }
  }
  return met;
}

void WriteCsv(const std::string& path, const std::vector<CaseFigures>& all) {
  std::ofstream csv(path);
  csv << "db,method,processes,values,seconds,per_second,ratio,p50_ms,p99_ms,duplicates,gaps,"
         "errors,attempts_per_value,max_ms,busy_notices,load,settings\n";
  for (const CaseFigures& f : all) {
    csv << f.db << ',' << MethodName(f.method) << ',' << f.processes << ',' << f.values << ','
        << f.seconds << ',' << f.rate << ',' << f.ratio << ',' << f.p50_ms << ',' << f.p99_ms << ','
        << f.sequence.duplicates << ',' << f.sequence.gaps << ',' << f.errors << ','
        << f.PerValue(f.attempts) << ',' << f.max_ms << ',' << f.notices << ",\"" << f.load
        << "\",\"" << f.settings << "\"\n";
  }
}

}  // namespace qgen::bench
