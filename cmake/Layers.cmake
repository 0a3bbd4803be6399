# The folders from the bottom layer up, and what each folder may use besides
# itself (the closure of the table in DESIGN.md section 2). The include check
# (CheckLayers.cmake) and the UI libraries' link lists both read this table,
# so that what the check states is also what the linker sees.
set(ORDAVIA_LAYERS base settings framework db results image chart measure live video linescan doppler synth app cli)
set(ORDAVIA_USES_base "")
set(ORDAVIA_USES_settings base)
# The framework's services carry the profile and the start-up settings, so
# the settings sit beneath it; the layers above it are kept by type only.
set(ORDAVIA_USES_framework base settings)
set(ORDAVIA_USES_db base framework settings)
set(ORDAVIA_USES_results base framework settings db)
set(ORDAVIA_USES_image base settings)
set(ORDAVIA_USES_chart base framework settings db results image)
set(ORDAVIA_USES_measure base framework settings db results image chart)
set(ORDAVIA_USES_live base framework settings db results image chart measure)
set(ORDAVIA_USES_video base framework settings db results image chart measure live)
set(ORDAVIA_USES_linescan base framework settings db results image chart measure live video)
set(ORDAVIA_USES_doppler base framework settings db results image chart)
set(ORDAVIA_USES_synth base framework settings db results image chart measure live video linescan doppler)
set(ORDAVIA_USES_app base framework settings db results image chart measure live video linescan doppler)
set(ORDAVIA_USES_cli base framework settings db results image chart measure live video linescan doppler synth app)
