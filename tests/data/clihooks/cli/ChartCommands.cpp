// A command reaching a process-wide services object instead of the one its
// arguments carry, which the services check must refuse.
int runExport(const CliArgs& a) { ZchartDoc doc; doc.setServices(&cliServices()); return 0; }
