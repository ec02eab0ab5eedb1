# The user manual and the desktop integration of the program.  The programs
# install themselves (src/, src/app/) and the converter's data files come
# from tools/.
#
# The program finds the manual at ../share/doc/vexalith/manual/index.html
# from its own folder; keep the destination here and that path together.
# The manual covers the converter too, so it comes with every build.
install(FILES
          "${PROJECT_SOURCE_DIR}/docs/manual/index.html"
          "${PROJECT_SOURCE_DIR}/docs/manual/manual.css"
        DESTINATION share/doc/vexalith/manual)

if(VEXALITH_BUILD_GUI)
  install(FILES "${PROJECT_SOURCE_DIR}/data/vexalith.desktop"
          DESTINATION share/applications)
  install(FILES "${PROJECT_SOURCE_DIR}/data/vexalith.svg"
          DESTINATION share/icons/hicolor/scalable/apps)
  # Installed under the program's name, as shared-mime-info asks of
  # package files; update-mime-database builds the database from it.
  install(FILES "${PROJECT_SOURCE_DIR}/data/vexalith-mime.xml"
          DESTINATION share/mime/packages
          RENAME vexalith.xml)
endif()
