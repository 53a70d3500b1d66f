tw_fuzz_target(basic)
