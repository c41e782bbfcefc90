// Scans one list of loopback proxies with the reference checker and with quorvane-check, at each
// socket count (100 and 20 unless --sockets says otherwise), and prints checks per second, their
// ratio, the CPU time per check and the peak memory of each.
//
//   qv_bench [--entries N] [--ports N] [--sockets N,N,...] [--runs N] [--check PATH] [--window PATH|""]
//            [--serve SECONDS]
//
// --runs N runs the reference and quorvane-check N times each, taking turns, and prints the medians and
// the range of the ratio: the machine is shared, and single runs vary by a fifth.
// --serve only starts the farm, writes the list and prints its path, for runs by hand.
//
// Each contender runs as its own child process so its peak memory (ru_maxrss) is its own; the
// farm runs in another child.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <map>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench/ProxyFarm.h"
#include "bench/ReferenceChecker.h"

#ifndef QV_CHECK_PATH
#define QV_CHECK_PATH ""
#endif
#ifndef QV_WINDOW_PATH
#define QV_WINDOW_PATH ""
#endif

namespace {

struct Run {
    double seconds = 0;
    double cpuSeconds = 0; // user + system
    double userSeconds = 0;
    long peakKb = 0;
    int status = 0;
};

// Runs body in a child, or execs argv when body is empty; waits and measures.
template <typename Body>
Run measure(Body body, const std::vector<std::string>& argv)
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!argv.empty()) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, 1);
            std::vector<char*> args;
            for (const std::string& a : argv)
                args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            ::execv(args[0], args.data());
            std::perror("exec");
            ::_exit(127);
        }
        ::_exit(body());
    }
    Run run;
    rusage usage {};
    ::wait4(pid, &run.status, 0, &usage);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKb = usage.ru_maxrss;
    run.userSeconds = static_cast<double>(usage.ru_utime.tv_sec) + static_cast<double>(usage.ru_utime.tv_usec) / 1e6;
    run.cpuSeconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    return run;
}

int noBody()
{
    return 0;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    int entries = 32000;
    int ports = 64;
    std::string check = QV_CHECK_PATH;
    std::string window = QV_WINDOW_PATH;
    int serveSeconds = 0;
    int runs = 1;
    std::vector<int> socketCounts { 100, 20 };
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i];
        if (key == "--entries")
            entries = std::atoi(argv[i + 1]);
        else if (key == "--ports")
            ports = std::atoi(argv[i + 1]);
        else if (key == "--check")
            check = argv[i + 1];
        else if (key == "--window")
            window = argv[i + 1];
        else if (key == "--serve")
            serveSeconds = std::atoi(argv[i + 1]);
        else if (key == "--runs")
            runs = std::max(1, std::atoi(argv[i + 1]));
        else if (key == "--sockets") {
            socketCounts.clear();
            std::istringstream counts(argv[i + 1]);
            for (std::string count; std::getline(counts, count, ',');)
                socketCounts.push_back(std::atoi(count.c_str()));
        }
    }

    qv::bench::ProxyFarm farm(ports);
    int stop[2];
    if (::pipe(stop) != 0)
        return 1;
    const pid_t farmPid = ::fork();
    if (farmPid == 0) {
        ::close(stop[1]);
        farm.run(stop[0]);
        ::_exit(0);
    }
    ::close(stop[0]);

    char dir[] = "/tmp/qv-bench-XXXXXX";
    if (!::mkdtemp(dir))
        return 1;
    const std::string listPath = std::string(dir) + "/proxies.txt";
    {
        std::FILE* file = std::fopen(listPath.c_str(), "wb");
        for (int i = 0; i < entries; ++i)
            std::fprintf(file, "127.0.0.1:%d\r\n", farm.ports()[static_cast<std::size_t>(i % ports)]);
        std::fclose(file);
    }
    const std::string judge = "http://judge.bench/azenv.php";
    const std::string request = "GET " + judge + " HTTP/1.0\r\n\r\n\r\n";

    if (serveSeconds > 0) {
        std::printf("%s\n", listPath.c_str());
        std::fflush(stdout);
        ::sleep(static_cast<unsigned>(serveSeconds));
        socketCounts.clear();
        check.clear();
        window.clear();
    }
    std::printf("entries %d on %d loopback ports, %d run%s each\n", entries, ports, runs, runs == 1 ? "" : "s");
    std::printf("| sockets | reference checks/s | quorvane-check checks/s | ratio (range) | CPU per check (reference / quorvane-check) | of it in user space | peak RSS (reference / quorvane-check) |\n");
    std::printf("|---|---|---|---|---|---|---|\n");
    std::map<int, double> refRates;
    std::map<int, double> refCpuSeconds;
    for (int sockets : socketCounts) {
        std::vector<double> refRate, qcRate, ratio, refCpu, qcCpu, refUser, qcUser;
        long refPeak = 0;
        long qcPeak = 0;
        bool complete = true;
        for (int r = 0; r < runs; ++r) {
            // The reference reads the list itself, in its own process, so its memory is its own.
            const Run ref = measure(
                [&] {
                    const auto result = qv::bench::ReferenceChecker::run(
                        qv::bench::ReferenceChecker::load(listPath), sockets, request);
                    return result.found == entries ? 0 : 3;
                },
                {});
            Run qc;
            if (!check.empty())
                qc = measure(noBody,
                    { check, "--quiet", "--no-judge-check", "--sockets", std::to_string(sockets), "--judge", judge,
                        listPath });
            complete = complete && ref.status == 0 && qc.status == 0;
            refRate.push_back(entries / ref.seconds);
            qcRate.push_back(check.empty() ? 0 : entries / qc.seconds);
            ratio.push_back(qcRate.back() / refRate.back());
            refCpu.push_back(ref.cpuSeconds * 1e6 / entries);
            qcCpu.push_back(qc.cpuSeconds * 1e6 / entries);
            refUser.push_back(ref.userSeconds * 1e6 / entries);
            qcUser.push_back(qc.userSeconds * 1e6 / entries);
            refPeak = std::max(refPeak, ref.peakKb);
            qcPeak = std::max(qcPeak, qc.peakKb);
        }
        refRates[sockets] = median(refRate);
        refCpuSeconds[sockets] = median(refCpu) * entries / 1e6;
        std::printf("| %d | %.0f | %.0f | %.2f (%.2f–%.2f) | %.0f / %.0f µs | %.1f / %.1f µs | %.1f / %.1f MiB |%s\n",
            sockets, median(refRate), median(qcRate), median(ratio), *std::min_element(ratio.begin(), ratio.end()),
            *std::max_element(ratio.begin(), ratio.end()), median(refCpu), median(qcCpu), median(refUser),
            median(qcUser), refPeak / 1024.0, qcPeak / 1024.0, complete ? "" : " (a run failed or was incomplete)");
        std::fflush(stdout);
    }
    if (!window.empty()) {
        const std::string resultPath = std::string(dir) + "/window.txt";
        for (int sockets : { 100, 20 }) {
            const Run win = measure(noBody,
                { window, listPath, "--sockets", std::to_string(sockets), "--judge", judge, "--result", resultPath });
            double seconds = 0;
            long long gap = 0;
            double scanCpu = 0;
            double gapCpu = 0;
            if (std::FILE* file = std::fopen(resultPath.c_str(), "r")) {
                if (std::fscanf(file, "%lf %lld %lf %lf", &seconds, &gap, &scanCpu, &gapCpu) != 4)
                    seconds = 0;
                std::fclose(file);
            }
            const double rate = seconds > 0 ? entries / seconds : 0;
            const double refRate = refRates.count(sockets) ? refRates[sockets] : 0.0;
            std::printf("window, %d sockets: Start to \"Status: Scan Complete!\" %.2f s, %.0f checks/s, ratio %.2f;"
                        " longest event-loop gap %lld ms (%.0f ms of it the window's CPU); %.0f us CPU per check (%.0f us in the scan alone, %.2f times"
                        " the reference's); peak RSS %.1f MiB%s\n",
                sockets, seconds, rate, refRate > 0 ? rate / refRate : 0.0, gap, gapCpu, win.cpuSeconds * 1e6 / entries,
                scanCpu * 1e6 / entries, refCpuSeconds.count(sockets) ? scanCpu / refCpuSeconds[sockets] : 0.0,
                win.peakKb / 1024.0, win.status == 0 ? "" : " (failed)");
            std::fflush(stdout);
            std::remove(resultPath.c_str());
        }
    }

    ::close(stop[1]);
    ::waitpid(farmPid, nullptr, 0);
    std::remove(listPath.c_str());
    ::rmdir(dir);
    return 0;
}
