# Read by cpack for each generator it runs. The archives (TGZ, ZIP) keep the
# settings of CMakeLists.txt: the `plugin` and `readme` components under one
# top folder. The Debian package (DEB) installs the `plugin` component under
# /usr with its `debian` documentation, in one package.
if(CPACK_GENERATOR STREQUAL "DEB")
    set(CPACK_COMPONENTS_ALL plugin debian)
    set(CPACK_DEB_COMPONENT_INSTALL ON)
    set(CPACK_COMPONENTS_GROUPING ALL_COMPONENTS_IN_ONE)
    set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
    set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY OFF)
    set(CPACK_COMPONENT_INCLUDE_TOPLEVEL_DIRECTORY OFF)
endif()
