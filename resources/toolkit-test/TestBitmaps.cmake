# The synthetic bitmaps, embedded once as strellon_toolkit_test_bitmaps for
# the toolkit tests and the toolkit demo; the numbers match TestBitmaps.h.
include(${CMAKE_CURRENT_LIST_DIR}/../EmbedBitmaps.cmake)
set(d ${CMAKE_CURRENT_LIST_DIR})
set(STRELLON_TOOLKIT_TEST_BITMAPS
  9001 ${d}/background.bmp 9002 ${d}/onoff.bmp 9003 ${d}/knobstrip.bmp
  9004 ${d}/knobback.bmp 9005 ${d}/handle.bmp 9006 ${d}/vtrack.bmp
  9007 ${d}/vhandle.bmp 9008 ${d}/htrack.bmp 9009 ${d}/hhandle.bmp
  9010 ${d}/movie.bmp 9011 ${d}/anim.bmp 9012 ${d}/splash.bmp
  9013 ${d}/switch.bmp 9014 ${d}/rocker.bmp 9015 ${d}/toggle.bmp
  9016 ${d}/digits.bmp 9017 ${d}/meteron.bmp 9018 ${d}/meteroff.bmp
  9019 ${d}/allgreen.bmp 9020 ${d}/keyed.bmp 9021 ${d}/hswitch.bmp)
unset(d)
if(NOT TARGET strellon_toolkit_test_bitmaps)
  add_library(strellon_toolkit_test_bitmaps INTERFACE)
  strellon_embed_bitmaps(strellon_toolkit_test_bitmaps toolkit_test ${STRELLON_TOOLKIT_TEST_BITMAPS})
endif()
