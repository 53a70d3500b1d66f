// The crash save.
#include "app/shell/CrashSave.h"

#include <cstdio>
#include <ctime>

#include "app/Exceptions.h"
#include "app/Paths.h"
#include "module/Module.h"

std::string CrashFileName(int64_t secondsSince1970) {
    const std::time_t t = static_cast<std::time_t>(secondsSince1970);
    std::tm utc = {};
    gmtime_r(&t, &utc);
    // A trailing "." would be kept on Linux and hide the file from every "*.quavex" filter.
    char name[96];
    std::snprintf(name, sizeof name, "crash(%d.%d.%d %d.%d.%d).quavex", utc.tm_year + 1900,
                  utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec);
    return name;
}

std::string CrashMessage(const std::string& path) {
    if (path.empty()) return "Tonweave has crashed.\nThe current module couldn't be saved.";
    return "Tonweave has crashed.\nThe current module is saved as " + path;
}

std::string CrashSave(int64_t secondsSince1970) {
    std::string saved;
    try {
        const std::string path = UserFile(CrashFileName(secondsSince1970));
        // The module keeps the name of its own file; the crash file is a copy beside it.
        const std::string fileName = gModule.fileName, directory = gModule.directory;
        gModule.Save(path);
        gModule.fileName = fileName;
        gModule.directory = directory;
        saved = path;
    } catch (...) {
    }
    try {
        ShowSystemMessage("", CrashMessage(saved).c_str());
    } catch (...) {
    }
    return saved;
}
