if(TARGET drelm)
  tw_fuzz_target(drelm_picture LINK drelm tw_app)
endif()
