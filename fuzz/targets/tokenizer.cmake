tw_fuzz_target(tokenizer)
