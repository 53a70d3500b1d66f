// Where the program lives and where it was started, and turning names into full paths.
// The program never changes its working directory: files beside the program are opened
// by their full path instead.
#pragma once

#include <string>

// The directory that holds the running executable (from /proc/self/exe), without a
// trailing "/" (except for the root itself).
std::string ProgramDirectory();
// Makes ProgramDirectory() answer `dir` (tests point it at a scratch directory); an empty
// string returns to the real one.
void SetProgramDirectory(const std::string& dir);

// The working directory at launch, noted the first time this is asked (start-up asks
// before anything else could change it).
std::string StartDirectory();

// `dir` and `name` joined by one "/".
std::string JoinPath(const std::string& dir, const std::string& name);

// `path` as an absolute, lexically normalised path ("." and ".." resolved, doubled "/"
// removed). A relative path is taken relative to `base`, by default the start directory.
std::string FullPath(const std::string& path);
std::string FullPath(const std::string& path, const std::string& base);

// A file beside the program: JoinPath(ProgramDirectory(), name).
std::string ProgramFile(const std::string& name);

// Where the program writes its own files (preferences, macros, reports, crash saves): the
// program directory when it is writable, else $XDG_CONFIG_HOME/tonweave (by default
// ~/.config/tonweave), created on first use. An installed program cannot write beside
// itself; the portable build tree keeps everything together.
std::string UserDirectory();
// A file in UserDirectory().
std::string UserFile(const std::string& name);
// Makes UserDirectory() answer `dir`; an empty string returns to the rule above.
void SetUserDirectory(const std::string& dir);

// Where the read-only assets (skins, the pattern font, the readme) are: the program
// directory when it holds them (the build tree), else ../share/tonweave beside it (an
// installed copy).
std::string AssetDirectory();
// A file in AssetDirectory().
std::string AssetFile(const std::string& name);
