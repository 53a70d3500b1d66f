tw_fuzz_target(prefs)
