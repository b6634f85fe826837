# The install folders, relative to the prefix. By default Debian's layout for
# games: /usr/games/zelto and /usr/share/games/zelto in the package, and
# /usr/local/games and /usr/local/share/games/zelto for a cmake --install
# with the default prefix (both folders are on Debian's PATH for players).
set(ZELTO_INSTALL_BINDIR "games" CACHE STRING
  "Folder of the installed program, relative to the install prefix")
set(ZELTO_INSTALL_DATADIR "share/games/zelto" CACHE STRING
  "Folder of the installed game data, relative to the install prefix")

foreach(dir ZELTO_INSTALL_BINDIR ZELTO_INSTALL_DATADIR)
  if(IS_ABSOLUTE "${${dir}}" OR "${${dir}}" STREQUAL "")
    message(FATAL_ERROR "${dir} must be a folder relative to the install prefix, not '${${dir}}'")
  endif()
endforeach()

# Any prefix will do: the path between two folders under it does not change.
file(RELATIVE_PATH ZELTO_DATA_FROM_PROGRAM
  "/prefix/${ZELTO_INSTALL_BINDIR}" "/prefix/${ZELTO_INSTALL_DATADIR}")
if(ZELTO_DATA_FROM_PROGRAM STREQUAL "")
  set(ZELTO_DATA_FROM_PROGRAM ".")
endif()
