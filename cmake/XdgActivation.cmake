# The client side of the xdg-activation Wayland protocol, generated from the
# system's wayland-protocols with wayland-scanner: Qt 6.4 hands a launcher's
# token to the compositor only from the process environment, so the
# controller spends it on its window itself.
find_package(PkgConfig REQUIRED)
pkg_check_modules(WaylandClient REQUIRED IMPORTED_TARGET wayland-client)
pkg_get_variable(wayland_protocols_dir wayland-protocols pkgdatadir)
find_program(WAYLAND_SCANNER wayland-scanner REQUIRED)
set(xdg_activation_xml ${wayland_protocols_dir}/staging/xdg-activation/xdg-activation-v1.xml)
set(xdg_activation_out ${CMAKE_BINARY_DIR}/generated/xdg-activation-v1)
add_custom_command(
  OUTPUT ${xdg_activation_out}-client-protocol.h ${xdg_activation_out}-protocol.c
  COMMAND ${WAYLAND_SCANNER} client-header ${xdg_activation_xml} ${xdg_activation_out}-client-protocol.h
  COMMAND ${WAYLAND_SCANNER} private-code ${xdg_activation_xml} ${xdg_activation_out}-protocol.c
  DEPENDS ${xdg_activation_xml}
  VERBATIM)
add_library(quotalume_xdg_activation STATIC ${xdg_activation_out}-protocol.c ${xdg_activation_out}-client-protocol.h)
target_include_directories(quotalume_xdg_activation PUBLIC ${CMAKE_BINARY_DIR}/generated)
target_link_libraries(quotalume_xdg_activation PUBLIC PkgConfig::WaylandClient)
