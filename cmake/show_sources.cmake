# tundrix_show_sources(VAR ROOT): the sources of everything that makes the
# show's pictures and sound without a display or a sound device: the scenes,
# the 3D engine, the player, the mixer, the picture decoder, the embedded
# content's accessors, the show sequence and its controls, and the virtual machine that stands
# in for the clock and the display. The browser build (web/) and the checks
# on other CPUs (tests/platforms/) build from this list, with their own front
# end and the generated content.
function(tundrix_show_sources var root)
  file(GLOB sources CONFIGURE_DEPENDS
    ${root}/base/*.cpp ${root}/data/*.cpp ${root}/picture/*.cpp ${root}/player/*.cpp
    ${root}/engine3d/*.cpp ${root}/scenes/*.cpp)
  list(APPEND sources
    ${root}/sound/mixer.cpp ${root}/sound/stream.cpp ${root}/sound/offline_device.cpp
    ${root}/sound/device_table.cpp ${root}/display/frame_sink.cpp ${root}/display/virtual_machine.cpp
    ${root}/show/prepare.cpp ${root}/show/sequence.cpp ${root}/show/music_tick.cpp
    ${root}/show/controls.cpp ${root}/show/go_to.cpp ${root}/show/terminal_text.cpp)
  set(${var} ${sources} PARENT_SCOPE)
endfunction()
