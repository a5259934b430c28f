# What the release archives hold, as install components: "plugin" is the content of
# qvx-VERSION-windows.zip (the viewer), "packer" that of qvx-VERSION-windows-packer.zip (scripts/
# package.sh installs each from the 32-bit and the 64-bit tree into one folder, which then holds
# both modules, and zips that), "debug" the modules' debug information, which stays outside the
# archives. The display font is not ours and stays out; QVX Mono and its licence come with the
# viewer (plugin/CMakeLists.txt).
#
# pluginst.inf is what file managers install a plug-in from when the user opens the archive, one
# plug-in per archive; an INI file, so its lines end in CR LF.
foreach(component plugin packer)
  set(inf ${CMAKE_BINARY_DIR}/generated/${component}/pluginst.inf)
  configure_file(${CMAKE_SOURCE_DIR}/${component}/pluginst.inf ${inf} @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE ${inf}
          DESTINATION . COMPONENT ${component})
endforeach()
install(FILES $<TARGET_FILE:qvx_plugin>.debug $<TARGET_FILE:qvx_packer>.debug DESTINATION .
        COMPONENT debug)
