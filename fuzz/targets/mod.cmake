tw_fuzz_target(mod)
