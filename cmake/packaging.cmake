# What the release archive qvx-VERSION-windows.zip holds, as install components: "plugin" is the
# archive's content (scripts/package.sh installs it from the 32-bit and the 64-bit tree into one
# folder, which then holds both modules, and zips that), "debug" the module's debug information,
# which stays outside the archive. The display font is not ours and stays out; QVX Mono and its
# licence come with the module (plugin/CMakeLists.txt).
#
# pluginst.inf is what file managers install a plug-in from when the user opens the archive; an
# INI file, so its lines end in CR LF.
configure_file(${CMAKE_SOURCE_DIR}/plugin/pluginst.inf ${CMAKE_BINARY_DIR}/generated/pluginst.inf
               @ONLY NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE
        ${CMAKE_BINARY_DIR}/generated/pluginst.inf DESTINATION . COMPONENT plugin)
install(FILES $<TARGET_FILE:qvx_plugin>.debug DESTINATION . COMPONENT debug)
