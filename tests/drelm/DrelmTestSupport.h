// Shared helpers of the drelm tests: a counter the tests move by hand, a fixture with a
// hidden window on the offscreen driver, and a scratch directory.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "Drelm.h"
#include "app/Exceptions.h"

namespace drelmtest {

// Microsecond ticks that only move when a test says so.
struct ManualClock {
    static inline uint64_t ticks = 0;
    static uint64_t Read(void*) { return ticks; }
    static void Install() {
        ticks = 1000000;  // not zero, so nothing depends on a zero start
        DRELM_SetCounter(&Read, 1000000, nullptr);
    }
    static void AdvanceMs(double ms) { ticks += static_cast<uint64_t>(ms * 1000.0 + 0.5); }
};

inline std::vector<DRELM_Event> Drain() {
    std::vector<DRELM_Event> events;
    DRELM_Event e;
    while (DRELM_GetEvent(&e)) events.push_back(e);
    return events;
}

inline std::vector<DRELM_Event> Update() {
    DRELM_UpdateInput();
    return Drain();
}

inline std::string ScratchPath() {
    return std::filesystem::temp_directory_path().string() + "/drelm-test-" +
           std::to_string(::getpid());
}

// Removes the scratch directory when the test program ends.
inline struct ScratchCleaner {
    ~ScratchCleaner() {
        std::error_code ignored;
        std::filesystem::remove_all(ScratchPath(), ignored);
    }
} scratchCleaner;

inline std::string ScratchDir() {
    const std::string dir = ScratchPath();
    std::filesystem::create_directories(dir);
    return dir;
}

inline std::string ScratchFile(const std::string& name) { return ScratchDir() + "/" + name; }

inline void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

inline void WriteText(const std::string& path, const std::string& text) {
    WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// The message of the Exception that `f` throws ("" when none).
template <typename F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "";
}

// A library with a hidden 320 x 240 window, cleared to black.
class ScreenTest : public ::testing::Test {
protected:
    void SetUp() override {
        ManualClock::Install();
        DRELM_Init();
        DRELM_SetVideoMode(DRELM_VideoMode(320, 240, DRELM_FORMAT_X8R8G8B8), DRELM_VIDEO_HIDDEN);
        DRELM_ClearBuffers(DRELM_BLACK);
        Drain();
    }
    void TearDown() override {
        DRELM_Quit();
        DRELM_SetCounter(nullptr, 0, nullptr);
    }

    // The back buffer's pixel (grabbed fresh each call).
    static DRELM_RGBA Pixel(int x, int y) {
        DRELM_Surface* shot = DRELM_GrabScreen();
        const DRELM_RGBA c = shot->GetPixel(x, y);
        DRELM_FreeSurface(shot);
        return c;
    }
};

inline uint32_t Packed(const DRELM_RGBA& c) { return c.Packed(); }

}  // namespace drelmtest
