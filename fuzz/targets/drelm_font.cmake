if(TARGET drelm)
  tw_fuzz_target(drelm_font LINK drelm tw_app)
endif()
