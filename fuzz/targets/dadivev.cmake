tw_fuzz_target(dadivev)
