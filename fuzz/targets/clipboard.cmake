tw_fuzz_target(clipboard LINK tw_editor tonweave_engine)
