tw_fuzz_target(skin LINK tw_gui drelm)
