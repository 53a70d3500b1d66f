tw_fuzz_target(macros LINK tw_editor tonweave_engine)
