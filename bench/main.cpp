// Scans one list of loopback proxies with the reference checker and with quorvane-check, at each
// socket count (100 and 20 unless --sockets says otherwise), and prints checks per second, their
// ratio, the CPU time per check and the peak memory of each.
//
//   qv_bench [--entries N] [--ports N] [--sockets N,N,...] [--runs N] [--check PATH] [--window PATH|""]
//            [--protocols http,https,socks5] [--farm-threads N] [--serve SECONDS]
//
// --protocols gives a table for each (default http): https proxies tunnel with CONNECT to a TLS judge
// whose certificate is made for the run, socks5 proxies take a connect by address. The window runs
// with http only. --farm-threads N serves the farm's ports from N threads (default 1), so the farm's
// half of every TLS handshake need not be what limits both checkers.
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
#include <openssl/ssl.h>
#include <sstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "bench/ProxyFarm.h"
#include "bench/ReferenceChecker.h"
#include "bench/TestCertificate.h"

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

// Runs body in a child, or execs argv with standard output to outPath when body is empty; waits and measures.
template <typename Body>
Run measure(Body body, const std::vector<std::string>& argv, const std::string& outPath = "/dev/null")
{
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (!argv.empty()) {
            const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(out, 1);
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

long countLines(const std::string& path)
{
    long lines = 0;
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
        for (int c; (c = std::fgetc(file)) != EOF;)
            lines += c == '\n';
        std::fclose(file);
    }
    return lines;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n == 0 ? 0 : n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

namespace {

using FarmProtocol = qv::bench::ProxyFarm::Protocol;
using Conversation = qv::bench::ReferenceChecker::Conversation;

// One protocol's farm, list lines and judge, the same for both checkers.
struct Protocol {
    std::string name;
    FarmProtocol farm;
    std::string scheme; // written before each list entry
    std::string judge;
    Conversation conversation;
};

const std::string kJudgeHost = "judge.bench";

std::vector<Protocol> knownProtocols(const std::string& caPath)
{
    using Ref = qv::bench::ReferenceChecker::Protocol;
    const std::string origin = "GET /azenv.php HTTP/1.0\r\nHost: ";
    const std::string http = "http://" + kJudgeHost + "/azenv.php";
    const std::string connect = kJudgeHost + ":443";
    // A documentation address no packet reaches: socks5 proxies are sent the judge by address.
    const std::string socksJudge = "192.0.2.10";
    return {
        { "http", FarmProtocol::Http, "", http, { Ref::Http, "GET " + http + " HTTP/1.0\r\n\r\n\r\n", {}, {}, {} } },
        { "https", FarmProtocol::Https, "https://", "https://" + kJudgeHost + "/azenv.php",
            { Ref::Https, origin + kJudgeHost + "\r\n\r\n", "CONNECT " + connect + " HTTP/1.1\r\nHost: " + connect + "\r\n\r\n",
                kJudgeHost, caPath } },
        { "socks5", FarmProtocol::Socks5, "socks5://", "http://" + socksJudge + "/azenv.php",
            { Ref::Socks5, origin + socksJudge + "\r\n\r\n", {}, {}, {} } },
    };
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
    int farmThreads = 1;
    std::vector<int> socketCounts { 100, 20 };
    std::vector<std::string> protocolNames { "http" };
    auto split = [](const std::string& text) {
        std::vector<std::string> parts;
        std::istringstream stream(text);
        for (std::string part; std::getline(stream, part, ',');)
            parts.push_back(part);
        return parts;
    };
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
        else if (key == "--farm-threads")
            farmThreads = std::max(1, std::atoi(argv[i + 1]));
        else if (key == "--protocols")
            protocolNames = split(argv[i + 1]);
        else if (key == "--sockets") {
            socketCounts.clear();
            for (const std::string& count : split(argv[i + 1]))
                socketCounts.push_back(std::atoi(count.c_str()));
        }
    }
    // A thousand sockets on each side, and the farm's, need more than the usual 1024 open files.
    rlimit files {};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }

    char dir[] = "/tmp/qv-bench-XXXXXX";
    if (!::mkdtemp(dir))
        return 1;
    const std::string listPath = std::string(dir) + "/proxies.txt";
    const std::string caPath = std::string(dir) + "/ca.pem";
    const std::string findsPath = std::string(dir) + "/finds.txt";
    const std::vector<Protocol> known = knownProtocols(caPath);
    SSL_CTX* serverTls = nullptr;
    int status = 0;
    for (const std::string& name : protocolNames) {
        const auto protocol = std::find_if(known.begin(), known.end(), [&](const Protocol& p) { return p.name == name; });
        if (protocol == known.end()) {
            std::fprintf(stderr, "qv_bench: unknown protocol %s (http, https or socks5)\n", name.c_str());
            status = 2;
            break;
        }
        if (protocol->farm == FarmProtocol::Https && !serverTls) {
            serverTls = qv::bench::makeTestServerContext(kJudgeHost, caPath);
            if (!serverTls) {
                status = 1;
                break;
            }
        }
        qv::bench::ProxyFarm farm(ports, protocol->farm, serverTls);
        int stop[2];
        if (::pipe(stop) != 0)
            return 1;
        const pid_t farmPid = ::fork();
        if (farmPid == 0) {
            ::close(stop[1]);
            farm.run(stop[0], farmThreads);
            ::_exit(0);
        }
        ::close(stop[0]);
        {
            std::FILE* file = std::fopen(listPath.c_str(), "wb");
            for (int i = 0; i < entries; ++i)
                std::fprintf(file, "%s127.0.0.1:%d\r\n", protocol->scheme.c_str(),
                    farm.ports()[static_cast<std::size_t>(i % ports)]);
            std::fclose(file);
        }
        std::vector<std::string> checkArgs { check, "--quiet", "--no-judge-check", "--judge", protocol->judge };
        if (protocol->farm == FarmProtocol::Https)
            checkArgs.insert(checkArgs.end(), { "--ca-file", caPath });

        std::vector<int> rowSockets = socketCounts;
        std::string rowWindow = protocol->farm == FarmProtocol::Http ? window : std::string();
        if (serveSeconds > 0) {
            std::printf("%s%s%s\n", listPath.c_str(), serverTls ? " trusting " : "", serverTls ? caPath.c_str() : "");
            std::fflush(stdout);
            ::sleep(static_cast<unsigned>(serveSeconds));
            rowSockets.clear();
            rowWindow.clear();
        }
        std::printf("%s: entries %d on %d loopback ports, %d run%s each\n", protocol->name.c_str(), entries, ports, runs,
            runs == 1 ? "" : "s");
        std::printf("| sockets | reference checks/s | quorvane-check checks/s | ratio (range) | CPU per check (reference / quorvane-check) | of it in user space | peak RSS (reference / quorvane-check) |\n");
        std::printf("|---|---|---|---|---|---|---|\n");
        std::map<int, double> refRates;
        std::map<int, double> refCpuSeconds;
        for (int sockets : rowSockets) {
            std::vector<double> refRate, qcRate, ratio, refCpu, qcCpu, refUser, qcUser;
            long refPeak = 0;
            long qcPeak = 0;
            bool complete = true;
            for (int r = 0; r < runs; ++r) {
                // The reference reads the list itself, in its own process, so its memory is its own.
                const Run ref = measure(
                    [&] {
                        const auto result = qv::bench::ReferenceChecker::run(
                            qv::bench::ReferenceChecker::load(listPath), sockets, protocol->conversation);
                        return result.found == entries ? 0 : 3;
                    },
                    {});
                Run qc;
                if (!check.empty()) {
                    std::vector<std::string> args = checkArgs;
                    args.insert(args.end(), { "--sockets", std::to_string(sockets), listPath });
                    qc = measure(noBody, args, findsPath);
                    // One line per find: a check that failed fast must not pass for a fast check.
                    complete = complete && countLines(findsPath) == entries;
                }
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
        if (!rowWindow.empty()) {
            const std::string resultPath = std::string(dir) + "/window.txt";
            for (int sockets : { 100, 20 }) {
                const Run win = measure(noBody,
                    { rowWindow, listPath, "--sockets", std::to_string(sockets), "--judge", protocol->judge, "--result",
                        resultPath });
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
        rusage farmUsage {};
        ::wait4(farmPid, nullptr, 0, &farmUsage);
        // Both checkers' checks went through the farm: when its CPU per check nears theirs, it limits both.
        const int served = entries * runs * static_cast<int>(rowSockets.size()) * (check.empty() ? 1 : 2);
        if (served > 0)
            std::printf("farm (%d thread%s): %.0f µs CPU per check\n", farmThreads, farmThreads == 1 ? "" : "s",
                (static_cast<double>(farmUsage.ru_utime.tv_sec + farmUsage.ru_stime.tv_sec) * 1e6
                    + static_cast<double>(farmUsage.ru_utime.tv_usec + farmUsage.ru_stime.tv_usec)) / served);
        if (serveSeconds > 0)
            break;
    }
    SSL_CTX_free(serverTls);
    for (const std::string& path : { listPath, caPath, findsPath })
        std::remove(path.c_str());
    ::rmdir(dir);
    return status;
}
