# The folders from the bottom layer up, and what each folder may use besides
# itself (the closure of the table in DESIGN.md section 2). The include check
# (CheckLayers.cmake) and the UI libraries' link lists both read this table,
# so that what the check states is also what the linker sees.
set(ORDAVIA_LAYERS base dicom figures settings framework db results image chart measure live video linescan doppler synth app cli)
set(ORDAVIA_USES_base "")
# DICOM reading and writing on plain pixel buffers (DCMTK), beneath the
# picture and movie readers that open DICOM files.
set(ORDAVIA_USES_dicom base)
# The measure catalogue sits just above base so that every analysis, the
# results tables, the report and the command line render figures from it.
set(ORDAVIA_USES_figures base)
set(ORDAVIA_USES_settings base figures)
# The framework's services carry the profile and the start-up settings, so
# the settings sit beneath it; the layers above it are kept by type only.
set(ORDAVIA_USES_framework base figures settings)
set(ORDAVIA_USES_db base figures framework settings)
set(ORDAVIA_USES_results base figures framework settings db)
set(ORDAVIA_USES_image base dicom figures settings)
set(ORDAVIA_USES_chart base dicom figures framework settings db results image)
set(ORDAVIA_USES_measure base dicom figures framework settings db results image chart)
set(ORDAVIA_USES_live base dicom figures framework settings db results image chart measure)
set(ORDAVIA_USES_video base dicom figures framework settings db results image chart measure live)
set(ORDAVIA_USES_linescan base dicom figures framework settings db results image chart measure live video)
set(ORDAVIA_USES_doppler base dicom figures framework settings db results image chart)
set(ORDAVIA_USES_synth base dicom figures framework settings db results image chart measure live video linescan doppler)
set(ORDAVIA_USES_app base dicom figures framework settings db results image chart measure live video linescan doppler)
set(ORDAVIA_USES_cli base dicom figures framework settings db results image chart measure live video linescan doppler synth app)
