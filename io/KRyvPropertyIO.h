#ifndef RYVKIT_IO_KRYVPROPERTYIO_H
#define RYVKIT_IO_KRYVPROPERTYIO_H

#include "core/KString.h"

class KObject;
class KRyvFile;
class KRyvObject;
class KRyvObjectFactory;
class KRyvPropertyDefaults;

// Property blocks and user properties in RYV records. A block stores each property of a set in
// registration order by its name, its data type name and its value (an enumeration by the text
// of its item), so that a reader matches by name and not by position.
namespace KRyvPropertyIO {

// A "Properties" record with one "P" child per property of pSet; properties marked not to be
// written, and those pDefaults (when given) says hold their default, are left out. Nothing for a
// null set.
void WriteBlock(KRyvFile& ioFile, KObject* pSet, const KRyvPropertyDefaults* pDefaults = nullptr);
// Sets the properties of pSet from the "Properties" child of the current record. A property
// the set does not have, or a value that does not fit the property, is skipped with a warning
// line in ioMessage. Nothing for a null set or a missing block.
void ReadBlock(KRyvFile& ioFile, KObject* pSet, KString& ioMessage);

// A "UserProperties" record with the name, type name, label, limits and flags of each user
// property of pObject that its own property set did not make itself.
void WriteUserProperties(KRyvFile& ioFile, const KRyvObject& pObject);
// Creates (through pFactory) and adds to pObject each user property of the record that the
// object does not list by name yet. Values come with the property block, read afterwards.
void ReadUserProperties(KRyvFile& ioFile, KRyvObject& ioObject, KRyvObjectFactory& ioFactory);

} // namespace KRyvPropertyIO

#endif
