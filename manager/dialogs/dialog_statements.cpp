#include "manager/dialogs/dialog_statements.h"

#include "engine/storage/database_client.h"

namespace trevalon::dialog_statements {

std::string UpdateSchedulingHour(int hour, const std::array<bool, kDays>& days) {
    std::string statement = "update scheduling set ";
    for (int day = 0; day < kDays; ++day) {
        if (day > 0) {
            statement += " , ";
        }
        statement += std::string(kDayColumns[day]) + "=\"" + (days[day] ? "yes" : "no") + "\"";
    }
    return statement + " where schedule_time=" + std::to_string(hour);
}

std::string CountByName(std::string_view table, std::string_view name, std::int64_t editedId) {
    std::string statement = "Select count(*) as numOfRecord from " + std::string(table) +
                            " where name=" + SqlQuoted(name);
    if (editedId != 0) {
        statement += " and id<>" + std::to_string(editedId);
    }
    return statement;
}

std::string IdByName(std::string_view table, std::string_view name) {
    return "Select id from " + std::string(table) + " where name=" + SqlQuoted(name);
}

std::string InsertPerson(const PersonFields& person) {
    return "INSERT INTO contact_person (name,details,email,sms,pager_id) VALUES (" +
           SqlQuoted(person.name) + "," + SqlQuoted(person.details) + "," +
           SqlQuoted(person.email) + "," + SqlQuoted(person.sms) + "," + SqlQuoted(person.pagerId) +
           ")";
}

std::string UpdatePerson(std::int64_t id, const PersonFields& person) {
    return "UPDATE contact_person SET name=" + SqlQuoted(person.name) +
           " , details=" + SqlQuoted(person.details) + " , email=" + SqlQuoted(person.email) +
           " , sms=" + SqlQuoted(person.sms) + " , pager_id=" + SqlQuoted(person.pagerId) +
           " WHERE id=" + std::to_string(id);
}

std::string DeletePerson(std::int64_t id) {
    return "DELETE FROM contact_person WHERE id=" + std::to_string(id);
}

std::string DeletePersonsGroupLinks(std::int64_t personId) {
    return "DELETE FROM contact_person_group WHERE contact_person_id=" + std::to_string(personId);
}

std::string SelectGroupMembers(std::int64_t groupId) {
    return "SELECT a.contact_group_id AS contact_group_id,a.contact_person_id AS "
           "contact_person_id,b.name AS name FROM contact_person_group AS a, contact_person AS b "
           "WHERE a.contact_person_id=b.id AND a.contact_group_id=" +
           std::to_string(groupId);
}

std::string InsertGroup(std::string_view name) {
    return "INSERT INTO contact_group (name) VALUES (" + SqlQuoted(name) + ")";
}

std::string UpdateGroup(std::int64_t id, std::string_view name) {
    return "UPDATE contact_group SET name=" + SqlQuoted(name) + " WHERE id=" + std::to_string(id);
}

std::string DeleteGroup(std::int64_t id) {
    return "DELETE FROM contact_group WHERE id=" + std::to_string(id);
}

std::string DeleteGroupsLinks(std::int64_t groupId) {
    return "DELETE FROM contact_person_group WHERE contact_group_id=" + std::to_string(groupId);
}

std::string InsertGroupLink(std::int64_t personId, std::int64_t groupId) {
    return "INSERT INTO contact_person_group (contact_person_id,contact_group_id) VALUES (" +
           std::to_string(personId) + "," + std::to_string(groupId) + ")";
}

}  // namespace trevalon::dialog_statements
