// Qt in a core library, which the layering check must refuse.
#include <QString>
