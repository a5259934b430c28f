# The release archive of a Windows build: the plug-in module with README.md and LICENSE, flat,
# as file managers install plug-ins from a zip. The display font is not ours and stays out.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(qvx_package_system win64)
else()
  set(qvx_package_system win32)
endif()
install(FILES ${CMAKE_SOURCE_DIR}/README.md ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .
        COMPONENT plugin)

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME qvx)
set(CPACK_SYSTEM_NAME ${qvx_package_system})
set(CPACK_PACKAGE_FILE_NAME qvx-${PROJECT_VERSION}-${qvx_package_system})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
# Only the plug-in component: qvx.exe and whatever else installs itself are not released here.
set(CPACK_ARCHIVE_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL plugin)
set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
include(CPack)
