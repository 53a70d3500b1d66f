// The tracker's own speed targets: start-up to the first presented frame (under 300 ms),
// a main-window frame with a menu open at 800x600 (under 3 ms of CPU), and the processor
// time an idle tracker takes in a shown window (under 5 % of one core), measured with the
// process's own CPU time, sound thread included.
#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/Paths.h"
#include "app/shell/Shell.h"

namespace {

void Prepare(bool hidden) {
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    static const std::string home = [] {
        auto dir = std::filesystem::temp_directory_path() / "tonweave-bench";
        std::filesystem::create_directories(dir);
        return dir.string();
    }();
    SetProgramDirectory(TW_BINARY_DIR "/bin");
    SetUserDirectory(home);
    gShell.options = ShellOptions();
    gShell.options.extraVideoFlags = hidden ? DRELM_VIDEO_HIDDEN : 0;
    gShell.options.messageBox = [](const char*, const char*) {};
}

double ProcessCpuSeconds() {
    rusage u;
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void StartupToFirstFrame(benchmark::State& state) {
    Prepare(true);
    const std::string demo = TW_SOURCE_DIR "/assets/demo/demo.quavex";
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        double firstFrame = 0;
        gShell.options.passHook = [&](int pass) {
            // Pass 1 begins once the first frame was presented.
            if (pass == 1) {
                firstFrame =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                gShell.quit = true;
            }
        };
        Run({"tonweave", demo});
        state.SetIterationTime(firstFrame);
    }
}
BENCHMARK(StartupToFirstFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(5);

void FrameWithMenuOpen(benchmark::State& state) {
    Prepare(true);
    gShell.options.sound = false;
    bool measured = false;
    gShell.options.passHook = [&](int pass) {
        if (pass == 1) {
            // Edit, then its Transpose submenu.
            gShell.gui->OpenMenu(1);
            for (int i = 0; i < 8; ++i)
                gShell.gui->HandleInput(DRELM_Event{DRELM_EVENT_KEY_DOWN, 0, 0, DRELM_KEY_DOWN});
            gShell.gui->HandleInput(DRELM_Event{DRELM_EVENT_KEY_DOWN, 0, 0, DRELM_KEY_RIGHT});
        }
        // The passes measured run inside this hook, where the pass number has not moved on.
        if (pass == 3 && !measured) {
            measured = true;
            // Drawn and presented every time: an idle pass would skip the drawing.
            for (auto _ : state) {
                gShell.gui->Draw();
                DRELM_NextFrame();
            }
            gShell.quit = true;
        }
    };
    Run({"tonweave", TW_SOURCE_DIR "/assets/demo/demo.quavex"});
}
BENCHMARK(FrameWithMenuOpen)->Unit(benchmark::kMillisecond);

// The seconds measured: TW_IDLE_SECONDS (60 for the full minute), 10 by default.
void IdleCpu(benchmark::State& state) {
    Prepare(false);
    const char* env = std::getenv("TW_IDLE_SECONDS");
    const double seconds = env ? std::atof(env) : 10.0;
    for (auto _ : state) {
        double cpuStart = 0, wallSeconds = 0, cpuSeconds = 0;
        std::chrono::steady_clock::time_point wallStart;
        gShell.options.passHook = [&](int pass) {
            if (pass == 30) {
                cpuStart = ProcessCpuSeconds();
                wallStart = std::chrono::steady_clock::now();
            }
            if (pass > 30) {
                wallSeconds =
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart)
                        .count();
                if (wallSeconds >= seconds) {
                    cpuSeconds = ProcessCpuSeconds() - cpuStart;
                    gShell.quit = true;
                }
            }
        };
        Run({"tonweave", TW_SOURCE_DIR "/assets/demo/demo.quavex"});
        state.SetIterationTime(wallSeconds);
        state.counters["cpu_percent_of_a_core"] = 100.0 * cpuSeconds / wallSeconds;
    }
}
BENCHMARK(IdleCpu)->UseManualTime()->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace
