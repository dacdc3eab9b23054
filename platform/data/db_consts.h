// The message texts of the dataset framework, in one place so that the
// tables, controls and tests quote the same words. What a user meets while
// entering values is in Russian and names the field by its DisplayName;
// the texts of internal faults keep the framework's classic words.
#pragma once

inline constexpr const char* SNotEditing = "Dataset not in edit or insert mode";
inline constexpr const char* SDataSetClosed = "Cannot perform this operation on a closed dataset";
inline constexpr const char* SDataSetOpen = "Cannot perform this operation on an open dataset";
inline constexpr const char* SDataSetEmpty = "Cannot perform this operation on an empty dataset";
inline constexpr const char* SDataSetReadOnly = "Cannot modify a read-only dataset";
inline constexpr const char* SFieldNotFound = "Field '%s' not found";
inline constexpr const char* SFieldReadOnly = "Field '%s' cannot be modified";
inline constexpr const char* SFieldRequired = "Поле '%s' должно быть заполнено";
inline constexpr const char* SFieldValueError = "Недопустимое значение поля '%s'";
inline constexpr const char* SFieldRangeError =
    "Значение %s недопустимо для поля '%s'. Допустимы значения от %s до %s";
inline constexpr const char* SFieldTypeMismatch =
    "Type mismatch for field '%s', expecting: %s actual: %s";
inline constexpr const char* SFieldAccessError = "Cannot access field '%s' as type %s";
inline constexpr const char* SUnknownFieldType = "Field '%s' is of an unknown type";
inline constexpr const char* SDataSetMissing = "Field '%s' has no dataset";
inline constexpr const char* SInvalidIntegerValue =
    "Значение '%s' поля '%s' не является целым числом";
inline constexpr const char* SInvalidFloatValue = "Значение '%s' поля '%s' не является числом";
inline constexpr const char* SInvalidDateValue = "Значение '%s' поля '%s' не является датой";
inline constexpr const char* SInvalidTimeValue = "Значение '%s' поля '%s' не является временем";
inline constexpr const char* SInvalidDateTimeValue =
    "Значение '%s' поля '%s' не является датой и временем";
inline constexpr const char* SInvalidBoolValue =
    "Значение '%s' поля '%s' не является логическим значением";
inline constexpr const char* SNoRecords = "No Records";
inline constexpr const char* SRecordNotFound = "Record not found";
inline constexpr const char* SDuplicateFieldName = "Duplicate field name '%s'";
inline constexpr const char* SCircularDataLink = "Circular datalinks are not allowed";
inline constexpr const char* SDataSourceChange = "DataSource cannot be changed";
inline constexpr const char* SFieldIndexError = "Field index out of range";
inline constexpr const char* SNotSupported = "Operation not supported";
inline constexpr const char* SBookmarksNotSupported =
    "Bookmark comparison is not supported by this dataset";
