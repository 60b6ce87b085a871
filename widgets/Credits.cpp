#include "widgets/Credits.h"

namespace pausalo {

QStringList CreditLines() {
  return {
      QStringLiteral("Pausalo"),
      QStringLiteral("v 1.0, march 2002"),
      QString(),
      QStringLiteral("by"),
      QStringLiteral("Marta Pellegrini"),
      QStringLiteral("Bologna, Italy"),
      QString(),
      QStringLiteral("---------------------"),
      QStringLiteral("Any type of comments"),
      QStringLiteral("welcomed at"),
      QStringLiteral("pausalo@example.org"),
  };
}

}  // namespace pausalo
