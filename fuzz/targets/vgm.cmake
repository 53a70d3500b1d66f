tw_fuzz_target(vgm)
