// A video view reaching a process-wide line-scan link instead of the one
// its services carry, which the services check must refuse.
void frameShown(CMotivaView& view) { if (LineScanLink* l = LineScanLink::current()) l->frameShown(view); }
