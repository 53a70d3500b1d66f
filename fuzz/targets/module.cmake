tw_fuzz_target(module)
