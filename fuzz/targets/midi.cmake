tw_fuzz_target(midi)
